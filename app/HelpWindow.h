#pragma once

#include <QWidget>

class QTextBrowser;

namespace tc4dl {

// The help page in the program's own viewer, so help works on every machine: without a browser
// or a desktop launcher, offline. The page holds English and German; the viewer opens at the
// section of the language in use, and the page's links between its sections are followed.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    // Shows `path` at `section` ("de" or "en") in the owner's help window, made on first use
    // and raised when it is there already. False when the page cannot be read.
    static bool showFor(QWidget& owner, const QString& path, const QString& section);

    [[nodiscard]] QTextBrowser& browser() { return *m_browser; }

private:
    bool load(const QString& path, const QString& section);

    QTextBrowser* m_browser = nullptr;
};

} // namespace tc4dl
