#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace tc4dl {

// Writes a file as a whole or not at all: the new content goes to a temporary file beside it
// that replaces the old file only once every byte is written. A full disk or a removed medium
// halfway through leaves the old file exactly as it was. An existing device or pipe is written
// directly and stays what it is (SaveTarget).
class SafeFileWrite {
public:
    enum class Outcome {
        Written,
        CannotCreate, // the file cannot be created there (locked, read-only, bad path)
        WriteFailed, // it could not be written to the end; the old file stays
    };
    // `write` writes the content and returns false when a write failed.
    static Outcome write(const QString& path, const std::function<bool(QIODevice&)>& write);
};

} // namespace tc4dl
