#include "Output.h"

#include "ExitCode.h"
#include "FileTarget.h"
#include "StopSignals.h"

#include <QCommandLineParser>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace tc4dl::cli {

bool printHelpIfAsked(const QCommandLineParser& parser, QTextStream& out)
{
    if (!parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("help-all")))
        return false;
    out << parser.helpText();
    return true;
}

std::optional<int> parseOrEnd(QCommandLineParser& parser, const QStringList& arguments,
    const char* usage, QTextStream& out, QTextStream& err)
{
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n' << usage;
        return Usage;
    }
    if (printHelpIfAsked(parser, out))
        return Ok;
    return std::nullopt;
}

bool standardOutputComplete(QTextStream& out, QString* why)
{
    out.flush();
    const bool streamOk = out.status() == QTextStream::Ok;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (streamOk && flushed && !std::ferror(stdout))
        return true;
    if (why) {
        if (error != 0)
            *why = QString::fromLocal8Bit(std::strerror(error));
        else if (auto* file = qobject_cast<QFileDevice*>(out.device());
                 file && !file->errorString().isEmpty())
            *why = file->errorString();
        else
            *why = QStringLiteral("not every byte was written");
    }
    return false;
}

QString standardOutputFailure(const QString& why)
{
    return QStringLiteral("Cannot write the standard output: %1\n").arg(endSentence(why));
}

int writeOutput(const QString& path, const std::function<void(QTextStream&)>& write,
    QTextStream& out, QTextStream& err)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        // Nothing to take back here, so a signal ends the process at once.
        write(out);
        return Ok;
    }
    // A signal must not leave a file half-replaced: the writer stops at its next line. A device
    // or pipe has nothing to take back, and waiting in open() for a pipe's reader is ended by a
    // signal at once.
    std::optional<stop::CleanupScope> cleanup;
    if (!writesDirectly(path))
        cleanup.emplace();
    SaveTarget file(path, true);
    if (file.open()) {
        QTextStream stream(&file.device());
        write(stream);
        stream.flush();
        if (stop::requested()) {
            file.cancel();
            err << stop::sentence();
            return stop::exitCode();
        }
        if (stream.status() == QTextStream::Ok && file.commit())
            return Ok;
    }
    err << "Cannot write " << path << ": " << endSentence(file.errorString()) << '\n';
    file.cancel();
    return CannotWrite;
}

QString endSentence(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.endsWith(QLatin1Char('.')))
        return trimmed;
    return trimmed + QLatin1Char('.');
}

} // namespace tc4dl::cli
