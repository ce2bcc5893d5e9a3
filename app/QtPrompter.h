#pragma once

#include "Prompter.h"

class QMessageBox;
class QWidget;

namespace tc4dl {

// The real questions: message boxes captioned like the program's main window, Qt's file,
// print, printer set-up and colour dialogs, and modal dialogs run with exec().
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget* parent) { m_parent = parent; }
    Answer ask(const QString& text, Buttons buttons, Icon icon) override;
    QString saveFileName(FileRequest& request) override;
    QString openFileName(FileRequest& request) override;
    Answer choose(const Choice& choice) override;
    std::optional<RangeAnswer> askRange(const RangeRequest& request) override;
    std::unique_ptr<Progress> showProgress(ProgressUse use, const QString& caption) override;
    int runDialog(QDialog& dialog) override;
    std::optional<quint32> chooseColor(quint32 initial) override;
    bool printDialog(QPrinter& printer) override;
    bool printerSetup(QPrinter& printer) override;

    // The message box `ask` shows: caption, text, icon, buttons and the default one.
    static void prepareMessageBox(
        QMessageBox& box, const QString& text, Buttons buttons, Icon icon);

private:
    QString fileName(FileRequest& request, bool save);

    QWidget* m_parent;
};

} // namespace tc4dl
