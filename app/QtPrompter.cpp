#include "QtPrompter.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace tc4dl {

Prompter::Answer QtPrompter::ask(const QString& text, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("TC4DL"));
    // Shown as stored: plain text, so a stored backslash-n stays as it is.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

QString QtPrompter::saveFileName(const QString& caption, const QString& start,
                                 const QStringList& filters, const QString& defaultSuffix,
                                 QString* selectedFilter)
{
    QFileDialog dialog(m_parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    const QFileInfo startInfo(start);
    if (startInfo.isDir()) {
        dialog.setDirectory(start);
    } else {
        dialog.setDirectory(startInfo.absolutePath());
        dialog.selectFile(startInfo.fileName());
    }
    if (selectedFilter && filters.contains(*selectedFilter))
        dialog.selectNameFilter(*selectedFilter);
    dialog.setSizeGripEnabled(true);
    // The typed name's extension follows the chosen type (where the dialog is Qt's own and
    // its name box can be reached).
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const qsizetype star = f.indexOf(QStringLiteral("*."), f.lastIndexOf(u'('));
        auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (star < 0 || !box || box->text().isEmpty())
            return;
        const QString extension = f.mid(star + 1).section(u' ', 0, 0).remove(u')');
        const QFileInfo typed(box->text());
        box->setText(typed.completeBaseName() + extension);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

} // namespace tc4dl
