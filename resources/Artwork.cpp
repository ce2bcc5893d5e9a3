#include "Artwork.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace tc4dl {

void registerArtwork()
{
    static const bool registered = [] {
        registerIcons();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace tc4dl
