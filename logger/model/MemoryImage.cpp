#include "MemoryImage.h"

#include <algorithm>

namespace tc4dl {

MemoryImage::MemoryImage(QByteArray bytes, qint64 memoryEnd)
    : m_bytes(std::move(bytes)),
      m_memoryEnd(memoryEnd)
{
}

void MemoryImage::clear()
{
    m_bytes.clear();
    m_memoryEnd = -1;
}

void MemoryImage::removeLast64()
{
    m_bytes.chop(std::min<qsizetype>(64, m_bytes.size()));
}

bool MemoryImage::overwrite(qsizetype offset, QByteArrayView bytes)
{
    if (offset < 0 || offset > m_bytes.size() - bytes.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + offset);
    return true;
}

} // namespace tc4dl
