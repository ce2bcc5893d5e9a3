#pragma once

#include "ArchiveError.h"

#include <QString>

namespace tc4dl::archive {

// An archive failure as a clause of the program's messages, in the language of the archive
// window's message table ("TfrmArchive"): the kind's own text with the file and what it names.
[[nodiscard]] QString archiveErrorText(const ArchiveError& error);

} // namespace tc4dl::archive
