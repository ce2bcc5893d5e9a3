#pragma once

#include <QIcon>

namespace tc4dl {

// The pictures of the graph window's toolbar.
enum class GraphGlyph { Statistic, LineCursor, Pointer, Cross, Text, Color, Clear, UndoZoom };

constexpr int kGraphGlyphSize = 20;

// One picture, drawn rather than loaded so that it stays sharp at any scale.
[[nodiscard]] QIcon graphToolGlyph(GraphGlyph glyph);

} // namespace tc4dl
