#pragma once

#include "Prompter.h"

#include <QDialog>
#include <QLocale>

class QPushButton;

namespace tc4dl {

// The choice dialog: does a save or an open concern the whole collection of logger data sets
// or a single file? Three buttons of one size stacked one above the other; the first answers
// Ok, the second No, the third and the close box Cancel.
class TfrmOpenSave final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 273;
    static constexpr int kButtonHeight = 33;
    // What exec() returns for each button (Cancel is QDialog::Rejected).
    enum Result { Cancel = QDialog::Rejected, Ok = QDialog::Accepted, No = 2 };

    explicit TfrmOpenSave(QWidget* parent = nullptr);

    // The two uses, as the questions callers put to the prompter: the save use with the
    // dialog's own texts, and the open use with its fixed texts, whose single-file button
    // offers comma-separated files only where the decimal separator is not a comma.
    [[nodiscard]] static Prompter::Choice saveChoice();
    [[nodiscard]] static Prompter::Choice openChoice(const QLocale& locale = QLocale());

    // Takes the caption and the three texts of `choice` (an empty text keeps the table's).
    void setChoice(const Prompter::Choice& choice);
    [[nodiscard]] static Prompter::Answer answerFor(int result);

    // Places the window in the middle of the screen.
    void centreOnScreen();

private:
    QPushButton* addChoiceButton(const char* name, int result);
    void fitText(QPushButton* button);
};

} // namespace tc4dl
