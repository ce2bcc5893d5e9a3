#include "StartFolder.h"

#include <QDir>
#include <QFileInfo>

namespace tc4dl {

QString existingStartFolder(const QString& preferred)
{
    if (!preferred.isEmpty() && QFileInfo(preferred).isDir())
        return preferred;
    return QFileInfo(QDir::homePath()).isDir() ? QDir::homePath() : QDir::currentPath();
}

} // namespace tc4dl
