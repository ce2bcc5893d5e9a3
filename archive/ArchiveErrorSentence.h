#pragma once

#include "ArchiveError.h"

#include <QString>

namespace tc4dl::archive {

// An archive failure as the end of an English sentence (no full stop), for the command-line
// tool and the recorder it runs; the windows say it from their message table instead.
[[nodiscard]] QString archiveErrorSentence(const ArchiveError& error);

} // namespace tc4dl::archive
