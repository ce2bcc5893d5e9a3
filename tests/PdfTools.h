#pragma once

// The PDF files the program writes, read by the programs people read PDFs with (poppler's).

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

namespace pdftools {

// What poppler's `tool` (pdftotext, pdffonts, pdfimages, pdfinfo) prints for the PDF at
// `path`; nothing when the tool is not installed, an empty text when it failed.
inline std::optional<QString> popplerOutput(
    const QString& tool, QStringList args, const QString& path)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return std::nullopt;
    args.append(path);
    if (tool == QLatin1String("pdftotext"))
        args.append(QStringLiteral("-"));
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The PDF's text laid out as on its pages; empty when it cannot be read.
inline QString pdfText(const QString& path)
{
    return popplerOutput(QStringLiteral("pdftotext"), { QStringLiteral("-layout") }, path)
        .value_or(QString());
}

} // namespace pdftools
