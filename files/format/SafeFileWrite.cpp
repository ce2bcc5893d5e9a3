#include "SafeFileWrite.h"

#include "FileTarget.h"

namespace tc4dl {

SafeFileWrite::Outcome SafeFileWrite::write(
    const QString& path, const std::function<bool(QIODevice&)>& write)
{
    SaveTarget file(path);
    if (!file.open())
        return Outcome::CannotCreate;
    if (!write(file.device())) {
        file.cancel();
        return Outcome::WriteFailed;
    }
    return file.commit() ? Outcome::Written : Outcome::WriteFailed;
}

} // namespace tc4dl
