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

namespace {

// The one way into a file: a device or pipe written directly, a regular file replaced only once
// `write` wrote all of it (false: it could not), never left half-written by a signal.
int writeTarget(const QString& path, const std::function<bool(QIODevice&)>& write, QTextStream& err)
{
    // A signal must not leave a file half-replaced: the writer stops at its next line. A device
    // or pipe has nothing to take back, and waiting in open() for a pipe's reader is ended by a
    // signal at once.
    std::optional<stop::CleanupScope> cleanup;
    if (!writesDirectly(path))
        cleanup.emplace();
    SaveTarget file(path, true);
    if (file.open()) {
        const bool written = write(file.device());
        if (stop::requested()) {
            file.cancel();
            err << stop::sentence();
            return stop::exitCode();
        }
        if (written && file.commit())
            return Ok;
    }
    err << "Cannot write " << path << ": " << endSentence(file.errorString()) << '\n';
    file.cancel();
    return CannotWrite;
}

} // namespace

int writeOutput(const QString& path, const std::function<void(QTextStream&)>& write,
    QTextStream& out, QTextStream& err)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        // Nothing to take back here, so a signal ends the process at once.
        write(out);
        return Ok;
    }
    return writeTarget(
        path,
        [&write](QIODevice& device) {
            QTextStream stream(&device);
            write(stream);
            stream.flush();
            return stream.status() == QTextStream::Ok;
        },
        err);
}

int writeBytesOutput(
    const QString& path, const QByteArray& bytes, QTextStream& out, QTextStream& err)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        // Beside the text already written, in order; main() checks that every byte arrived.
        out.flush();
        if (QIODevice* device = out.device())
            (void)device->write(bytes);
        return Ok;
    }
    return writeTarget(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, err);
}

QString endSentence(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.endsWith(QLatin1Char('.')))
        return trimmed;
    return trimmed + QLatin1Char('.');
}

} // namespace tc4dl::cli
