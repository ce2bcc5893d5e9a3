#pragma once

#include <QByteArray>

#include <functional>

class QIODevice;

namespace tc4dl {

// The way the text writers hand their lines to a file: each line ended with CR LF, the lines
// gathered into large writes (a save of 65,535 lines is a handful of writes, not 65,535),
// a refused write noticed at once, and the caller asked after every line whether to go on.
class ChunkedLineWriter {
public:
    // `step` is called after each line with the lines written so far and returns false to stop
    // there; it may be empty.
    ChunkedLineWriter(QIODevice& device, const std::function<bool(qint64 lines)>& step);

    // The line being built: its text is appended here, then endLine() ends it.
    [[nodiscard]] QByteArray& line() { return m_buffer; }
    // Ends the line with CR LF. False when the writing ends here: the device refused a write
    // or the step said stop.
    [[nodiscard]] bool endLine();
    // Writes what is still gathered. The number of lines, or -1 when the device refused a write.
    [[nodiscard]] qint64 finish();

private:
    bool flush();

    QIODevice& m_device;
    std::function<bool(qint64)> m_step;
    QByteArray m_buffer;
    qint64 m_lines = 0;
    bool m_failed = false;
};

} // namespace tc4dl
