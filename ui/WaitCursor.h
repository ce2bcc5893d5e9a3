#pragma once

namespace tc4dl {

// The hourglass over the whole program while it works with nothing else to show for it: set
// once however often it is asked for, and taken back by set(false) or at the latest when this
// goes, so that no override cursor is left behind.
class WaitCursor {
public:
    WaitCursor() = default;
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void set(bool on);
    [[nodiscard]] bool shown() const { return m_shown; }

private:
    bool m_shown = false;
};

} // namespace tc4dl
