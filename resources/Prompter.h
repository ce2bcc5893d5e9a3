#pragma once

#include <QString>
#include <QStringList>

namespace tc4dl {

// Message boxes as the windows' logic sees them. The program shows real boxes; tests script
// the answers and fail on a box they did not expect, so no test ever blocks on a modal window.
class Prompter {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Information, Question, Warning, Error };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;

    // Shows `text` exactly as given (a stored backslash-n stays two characters).
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon) = 0;
    void tell(const QString& text) { (void)ask(text, Buttons::Ok, Icon::None); }

    // The save-file dialog: asks before it replaces an existing file. `start` is the folder
    // to start in, or a file in it to propose; `filters` are types as "Text (*.A *.a)";
    // `defaultSuffix` is added to a name typed without one; `selectedFilter` brings the type
    // shown first and takes back the type chosen. Empty when the user cancels.
    virtual QString saveFileName(const QString& caption, const QString& start,
                                 const QStringList& filters, const QString& defaultSuffix,
                                 QString* selectedFilter) = 0;
};

} // namespace tc4dl
