#include "FileTypeName.h"

namespace tc4dl {

QString nameForFileType(const QString& filter, const QString& typedName)
{
    const qsizetype star = filter.indexOf(QStringLiteral("*."), filter.lastIndexOf(u'('));
    if (star < 0 || typedName.isEmpty())
        return typedName;
    const QString extension
        = filter.mid(star + 1).section(u' ', 0, 0).section(u',', 0, 0).remove(u')');
    // Only the last dot of the name's own part starts its extension.
    const qsizetype slash = qMax(typedName.lastIndexOf(u'/'), typedName.lastIndexOf(u'\\'));
    const qsizetype dot = typedName.lastIndexOf(u'.');
    const QString base = dot > slash ? typedName.left(dot) : typedName;
    return base + extension;
}

} // namespace tc4dl
