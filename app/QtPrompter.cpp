#include "QtPrompter.h"

#include "DialogFrame.h"

#include "ScopeProgress.h"
#include "TfrmOpenSave.h"
#include "TfrmScope.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>

namespace tc4dl {

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Error:
        return QMessageBox::Critical;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Prompter::Buttons buttons)
{
    switch (buttons) {
    case Prompter::Buttons::YesNo:
    case Prompter::Buttons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompter::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Prompter::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

void QtPrompter::prepareMessageBox(
    QMessageBox& box, const QString& text, Buttons buttons, Icon icon)
{
    box.setWindowTitle(QStringLiteral("TC4DL"));
    // Plain text: the message comes as the caller made it.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    box.setStandardButtons(boxButtons(buttons));
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
}

Prompter::Answer QtPrompter::ask(const QString& text, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent);
    frameAsDialog(box, m_parent);
    prepareMessageBox(box, text, buttons, icon);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

QString QtPrompter::saveFileName(FileRequest& request)
{
    return fileName(request, true);
}

QString QtPrompter::openFileName(FileRequest& request)
{
    return fileName(request, false);
}

QString QtPrompter::fileName(FileRequest& request, bool save)
{
    QFileDialog dialog(m_parent, request.caption);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save && request.mayExist);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    const QFileInfo startInfo(request.start);
    if (startInfo.isDir()) {
        dialog.setDirectory(request.start);
    } else {
        dialog.setDirectory(startInfo.absolutePath());
        dialog.selectFile(startInfo.fileName());
    }
    if (request.filters.contains(request.selectedFilter))
        dialog.selectNameFilter(request.selectedFilter);
    dialog.setSizeGripEnabled(true);
    // The name box can be reached where the dialog is Qt's own.
    if (request.typeChanged)
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, &request](const QString& filter) {
                auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (box)
                    box->setText(request.typeChanged(filter, box->text()));
            });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    request.selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

Prompter::Answer QtPrompter::choose(const Choice& choice)
{
    TfrmOpenSave dialog(m_parent);
    frameAsDialog(dialog, m_parent);
    dialog.setChoice(choice);
    dialog.centreOnScreen();
    return TfrmOpenSave::answerFor(dialog.exec());
}

int QtPrompter::runDialog(QDialog& dialog)
{
    frameAsDialog(dialog, m_parent);
    return dialog.exec();
}

std::optional<quint32> QtPrompter::chooseColor(quint32 initial)
{
    // 0xBBGGRR: red in the low byte.
    const QColor start(
        int(initial & 0xFF), int((initial >> 8) & 0xFF), int((initial >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return quint32(chosen.red()) | quint32(chosen.green()) << 8 | quint32(chosen.blue()) << 16;
}

bool QtPrompter::printDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompter::printerSetup(QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<Prompter::RangeAnswer> QtPrompter::askRange(const RangeRequest& request)
{
    TfrmScope window(m_parent);
    if (request.withUnits)
        window.useForGraphExportRange();
    else
        window.useForTableSaveRange();
    if (!request.caption.isEmpty())
        window.setWindowTitle(request.caption);
    window.setRange(request.from, request.to);
    window.setFahrenheit(request.fahrenheit);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    RangeAnswer answer;
    answer.all = window.allChosen();
    answer.from = window.fromText();
    answer.to = window.toText();
    answer.fahrenheit = request.withUnits ? window.fahrenheit() : request.fahrenheit;
    return answer;
}

std::unique_ptr<Prompter::Progress> QtPrompter::showProgress(
    ProgressUse use, const QString& caption)
{
    return std::make_unique<ScopeProgress>(use, caption, m_parent);
}

} // namespace tc4dl
