#pragma once

namespace tc4dl {

// What the main window asks of each of its child windows. Every child of the main window's
// document area implements it, so that a command acting on "the active window" or on "every
// window" reaches each kind of window by the same path and none is passed over.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;

    // Windows holding data the user may want to keep ask first when the main window closes.
    enum class CloseRank { First, Later };
    [[nodiscard]] virtual CloseRank closeRank() const { return CloseRank::Later; }

    // The close question; false keeps the window (and the program) open.
    [[nodiscard]] virtual bool closeQuery() { return true; }
    // File > Save, File > Print and Output to Graph while the window is the active one.
    virtual void save() { }
    virtual void print() { }
    [[nodiscard]] virtual bool canOutputToGraph() const { return false; }
    virtual void outputToGraph() { }
};

} // namespace tc4dl
