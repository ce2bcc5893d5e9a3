#include "SaveRange.h"

#include <algorithm>
#include <cstdlib>

namespace tc4dl {

namespace {
std::optional<qint64> boxNumber(const QString& text)
{
    bool ok = false;
    // Blanks around the number are taken, as a person may type them.
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < -2147483648LL || value > 2147483647LL)
        return std::nullopt;
    return std::llabs(value);
}
} // namespace

std::optional<SaveRange> resolveSaveRange(
    bool all, const QString& from, const QString& to, int last)
{
    if (all)
        return SaveRange { 1, last };
    const std::optional<qint64> a = boxNumber(from);
    const std::optional<qint64> b = boxNumber(to);
    if (!a || !b)
        return std::nullopt;
    qint64 first = *a;
    qint64 second = *b;
    if (first > second)
        std::swap(first, second);
    second = std::min<qint64>(second, last);
    if (first == 0)
        first = 1;
    // A "from" beyond the last point stays: the range is then empty.
    return SaveRange { static_cast<int>(std::min<qint64>(first, 2147483647LL)),
        static_cast<int>(second) };
}

} // namespace tc4dl
