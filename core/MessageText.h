#pragma once

#include <QString>

namespace tc4dl {

// Message tables store some line breaks as a backslash and an "n" (two characters): shown as
// they are stored, they would read as "\n" in the middle of a sentence. A message shows them as
// the line breaks they stand for.
[[nodiscard]] inline QString withLineBreaks(QString stored)
{
    stored.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return stored;
}

// Two parts of a message joined into one: one blank between them unless either already has
// white space at the seam, so that neither words nor a word and a number run together.
[[nodiscard]] inline QString joinedText(const QString& left, const QString& right)
{
    if (left.isEmpty() || right.isEmpty() || left.back().isSpace() || right.front().isSpace())
        return left + right;
    return left + QLatin1Char(' ') + right;
}

} // namespace tc4dl
