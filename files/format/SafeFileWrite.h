#pragma once

#include "FileTarget.h"

#include <QString>

#include <functional>

class QIODevice;

namespace tc4dl {

// Writes a file as a whole or not at all: the new content goes to a temporary file beside it
// that replaces the old file only once every byte is written. A full disk or a removed medium
// halfway through leaves the old file as it was, unless no temporary file could be made in
// its folder and it was written in place (SaveTarget); the failure is reported either way. An
// existing device or pipe is written directly and stays what it is.
class SafeFileWrite {
public:
    using Outcome = WriteOutcome;
    // `write` writes the content and returns false when a write failed.
    static Outcome write(const QString& path, const std::function<bool(QIODevice&)>& write);
};

} // namespace tc4dl
