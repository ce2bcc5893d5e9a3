#pragma once

#include <QString>

namespace tc4dl {

// Where a file dialog starts: `preferred` when it is a folder. A dialog given a folder that does
// not exist starts somewhere else and takes the folder's name for the file's, so a documents
// folder nobody made is passed over for the home folder, and a user without a home folder (a
// service account) starts where the program was started.
[[nodiscard]] QString existingStartFolder(const QString& preferred);

} // namespace tc4dl
