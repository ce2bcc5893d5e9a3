#pragma once

#include <QString>

namespace tc4dl {

// The name in a save dialog's name box after the user picked the type `filter` (as
// "Text (*.txt *.TXT)"): the typed name with the extension of the filter's first pattern.
// An empty name, or a filter without a "*." pattern, stays as it is.
[[nodiscard]] QString nameForFileType(const QString& filter, const QString& typedName);

} // namespace tc4dl
