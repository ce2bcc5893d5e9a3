#pragma once

#include <QString>

#include <optional>

namespace tc4dl {

// The points or rows a text save writes, numbered from 1, both ends included. `from` may
// end up beyond `to` (a "from" number beyond the last one is not lowered): nothing to write.
struct SaveRange {
    int from = 1;
    int to = 0;
    [[nodiscard]] bool isEmpty() const { return from > to; }
    [[nodiscard]] int count() const { return isEmpty() ? 0 : to - from + 1; }
};

// The range the user asked for in the range window, against `last` points or rows: all of
// them, or the absolute values of the two boxes, swapped when given the wrong way round, "to"
// lowered to `last` and a "from" of 0 raised to 1. Nothing when a box does not hold an
// integer (the caller says "invalid integer").
[[nodiscard]] std::optional<SaveRange> resolveSaveRange(
    bool all, const QString& from, const QString& to, int last);

} // namespace tc4dl
