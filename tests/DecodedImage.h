#pragma once

#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "MemoryImage.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdlib>

namespace loggerimages {

// A memory image with the store its download would give: what the archive tests add.
struct Decoded {
    tc4dl::MemoryImage image;
    tc4dl::DataSetStore store;
};

inline Decoded decode(const QByteArray& bytes)
{
    Decoded d;
    d.image = tc4dl::MemoryImage(bytes, bytes.size() - 1);
    if (tc4dl::decodeMemoryImage(d.image, QDateTime::currentDateTime(), d.store).result
        != tc4dl::LoadResult::Success)
        qFatal("test image does not decode");
    return d;
}

} // namespace loggerimages
