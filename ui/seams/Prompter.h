#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;

namespace tc4dl {

// Every question a person answers, as the windows' logic sees it: message boxes, the open and
// save file dialogs, the choice dialog, the print and printer set-up dialogs, the colour
// dialog and any other modal dialog. The program shows the real ones; tests script the answers
// and fail on a question they did not expect, so no test ever blocks on a modal window.
class Prompter {
public:
    // YesNoDefaultNo: a question whose Yes cannot be undone; Enter answers No.
    enum class Buttons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };
    enum class Icon { None, Information, Question, Warning, Error };
    enum class Answer { Ok, Yes, No, Cancel };

    // An open or save file dialog. `start` is the folder to start in, or a file in it to
    // propose; `filters` are types as "Text (*.A *.a)"; `defaultSuffix` is added to a name
    // typed without one; `selectedFilter` brings the type shown first and takes back the type
    // chosen. `typeChanged`, when set, is called with the type the user picks and the name in
    // the name box, and gives the name to show instead.
    struct FileRequest {
        QString caption;
        QString start;
        QStringList filters;
        QString defaultSuffix;
        QString selectedFilter;
        std::function<QString(const QString& filter, const QString& typedName)> typeChanged;
        // A save dialog for a file to use rather than to write over: an existing file is
        // taken without the question whether to replace it.
        bool mayExist = false;
    };

    // The choice dialog: three buttons stacked one above the other; the first answers Ok, the
    // second No, the third (and the close box) Cancel.
    struct Choice {
        QString caption;
        QString first;
        QString second;
        QString cancel;
    };

    // The range window: which graph points or table rows to use and, for a graph export, the
    // temperature unit. `from` and `to` are filled in before the window shows.
    struct RangeRequest {
        QString caption;
        QString from;
        QString to;
        bool withUnits = false;
        bool fahrenheit = false;
    };
    struct RangeAnswer {
        bool all = true;
        QString from;
        QString to;
        bool fahrenheit = false;
    };

    // The four uses of the progress window; each has its own caption, parts and texts.
    enum class ProgressUse { Save, Open, Graphing, Download };

    // A progress window shown without blocking while an operation runs; it closes when the
    // object is destroyed. The operation asks `cancelled()` after each step; an operation that
    // may wait on a device also takes `onCancel`, called at once when the user cancels.
    class Progress {
    public:
        virtual ~Progress() = default;
        virtual void setMaximum(qint64 maximum) = 0;
        virtual void setValue(qint64 value) = 0;
        // The status line: the lines read so far when opening a text file.
        virtual void setStatus(const QString& text) = 0;
        // The download's two numbers.
        virtual void setBytes(qint64 received, qint64 total) = 0;
        [[nodiscard]] virtual bool cancelled() const = 0;
        std::function<void()> onCancel;
    };

    virtual ~Prompter() = default;

    // Shows `text` exactly as given (a stored backslash-n stays two characters).
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon) = 0;
    void tell(const QString& text) { (void)ask(text, Buttons::Ok, Icon::None); }

    // The save dialog asks before it replaces an existing file. Both give an empty name when
    // the user cancels.
    virtual QString saveFileName(FileRequest& request) = 0;
    virtual QString openFileName(FileRequest& request) = 0;

    virtual Answer choose(const Choice& choice) = 0;

    // Modal; nothing when cancelled (the Cancel button or the close box).
    [[nodiscard]] virtual std::optional<RangeAnswer> askRange(const RangeRequest& request) = 0;

    // Shows the progress window of `use` with `caption` and returns at once.
    [[nodiscard]] virtual std::unique_ptr<Progress> showProgress(
        ProgressUse use, const QString& caption)
        = 0;

    // Runs `dialog` modally and gives its result (QDialog::Accepted or Rejected).
    virtual int runDialog(QDialog& dialog) = 0;

    // The colour dialog, starting at `initial` (0xBBGGRR); nothing when cancelled.
    [[nodiscard]] virtual std::optional<quint32> chooseColor(quint32 initial) = 0;

    // The print dialog and the printer set-up dialog on `printer`; false when cancelled.
    virtual bool printDialog(QPrinter& printer) = 0;
    virtual bool printerSetup(QPrinter& printer) = 0;
};

} // namespace tc4dl
