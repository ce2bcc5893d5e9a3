#include "SafeFileWrite.h"

#include "FileTarget.h"

namespace tc4dl {

SafeFileWrite::Outcome SafeFileWrite::write(
    const QString& path, const std::function<bool(QIODevice&)>& write)
{
    return writeWhole(path, write, nullptr);
}

} // namespace tc4dl
