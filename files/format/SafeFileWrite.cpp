#include "SafeFileWrite.h"

#include <QSaveFile>

namespace tc4dl {

SafeFileWrite::Outcome SafeFileWrite::write(const QString& path,
                                            const std::function<bool(QIODevice&)>& write)
{
    QSaveFile file(path);
    // A file the user may write, in a folder where they may not create the temporary file,
    // is still replaced: then in place, without the all-or-nothing guarantee.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::CannotCreate;
    if (!write(file) || !file.flush()) {
        file.cancelWriting();
        return Outcome::WriteFailed;
    }
    return file.commit() ? Outcome::Written : Outcome::WriteFailed;
}

} // namespace tc4dl
