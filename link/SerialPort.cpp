#include "SerialPort.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QStringList>

namespace tc4dl::ports {

QString deviceNameFor(const QString& entry)
{
    if (entry == QLatin1String(kSimulatedMeter))
        return entry;
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\") + entry;
#else
    if (QDir::isAbsolutePath(entry))
        return entry;
    return QStringLiteral("/dev/") + entry;
#endif
}

QStringList listPorts(bool withSimulator)
{
    QStringList list;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        list << info.portName();
    const QString extra = qEnvironmentVariable("TC4DL_EXTRA_PORTS");
    for (const QString& path : extra.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        const QString trimmed = path.trimmed();
        if (!trimmed.isEmpty() && !list.contains(trimmed))
            list << trimmed;
    }
    if (withSimulator)
        list << QLatin1String(kSimulatedMeter);
    return list;
}

} // namespace tc4dl::ports
