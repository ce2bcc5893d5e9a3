#pragma once

#include <QString>

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
};

} // namespace tc4dl
