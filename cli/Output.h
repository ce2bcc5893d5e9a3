#pragma once

#include <QString>
#include <QTextStream>

#include <functional>
#include <optional>

class QCommandLineParser;

namespace tc4dl::cli {

// Prints the command's help on `out` when --help or --help-all was given; true then, and the
// command ends there. The tool has no Qt options worth listing, so both print the same.
[[nodiscard]] bool printHelpIfAsked(const QCommandLineParser& parser, QTextStream& out);

// Parses a command's arguments: Usage with the parser's reason and `usage` on `err` when they
// cannot be read, Ok when the help was printed (the command ends there with that code), nothing
// when the command goes on.
[[nodiscard]] std::optional<int> parseOrEnd(QCommandLineParser& parser,
    const QStringList& arguments, const char* usage, QTextStream& out, QTextStream& err);

// Flushes the standard output and tells whether every byte written to it arrived: a full disk
// or a closed device behind it must not pass for success. `why` gets the reason otherwise.
[[nodiscard]] bool standardOutputComplete(QTextStream& out, QString* why = nullptr);

// The sentence for stderr when the standard output could not be written.
[[nodiscard]] QString standardOutputFailure(const QString& why);

// Writes a command's output to `path`: "-" is the standard output, whose every byte main()
// checks for every command; an existing device or pipe is written directly, a descriptor of
// this process (/dev/stdout, /dev/fd/N) through itself, appending where the shell opened it
// so (`>>`); a regular file is replaced only once every byte is written. `write` may end early on a
// stop signal: the old file then stays as it was. Returns the command's exit code and says any
// failure on `err` in one sentence.
[[nodiscard]] int writeOutput(const QString& path, const std::function<void(QTextStream&)>& write,
    QTextStream& out, QTextStream& err);

// `text` as the end of a sentence: a full stop added unless it already ends in one.
[[nodiscard]] QString endSentence(const QString& text);

} // namespace tc4dl::cli
