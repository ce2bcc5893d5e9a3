#pragma once

namespace tc4dl {

// Makes the built-in artwork (toolbar glyphs, the program icon) available under ":/icons".
// The pictures live in a static library, so they are registered by hand; calling this more
// than once is harmless.
void registerArtwork();

} // namespace tc4dl
