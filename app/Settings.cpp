#include "Settings.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>

#include <limits>

namespace tc4dl {

namespace {
const QString kLastConnectedPort = QStringLiteral("LastConnectedPort");
const QString kLastConnectedModel = QStringLiteral("LastConnectedModel");
const QString kRealTimeRate = QStringLiteral("RealTimeRate");
const QString kAnnoColor = QStringLiteral("AnnoColor");
const QString kCfDegree = QStringLiteral("CF_Degree");

void readInto(SettingsStore& store, const QString& name, qint32& value)
{
    if (const std::optional<qint32> v = store.readInt(name))
        value = *v;
}
} // namespace

Settings Settings::read(SettingsStore& store)
{
    Settings s;
    readInto(store, kLastConnectedPort, s.lastConnectedPort);
    readInto(store, kLastConnectedModel, s.lastConnectedModel);
    readInto(store, kRealTimeRate, s.realTimeRate);
    readInto(store, kAnnoColor, s.annoColor);
    readInto(store, kCfDegree, s.cfDegree);
    return s;
}

void Settings::write(SettingsStore& store) const
{
    store.writeInt(kRealTimeRate, realTimeRate);
    store.writeInt(kLastConnectedPort, lastConnectedPort);
    store.writeInt(kLastConnectedModel, lastConnectedModel);
    store.writeInt(kAnnoColor, annoColor);
    store.writeInt(kCfDegree, cfDegree);
    store.flush();
}

NativeSettingsStore::NativeSettingsStore()
{
#ifdef Q_OS_WIN
    m_settings = new QSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\TC4DL"),
                               QSettings::NativeFormat);
#else
    m_settings = new QSettings(QSettings::NativeFormat, QSettings::UserScope,
                               QStringLiteral("TC4DL"), QStringLiteral("TC4DL"));
#endif
    m_damaged = m_settings->status() == QSettings::FormatError;
}

NativeSettingsStore::NativeSettingsStore(const QString& iniFile)
    : m_settings(new QSettings(iniFile, QSettings::IniFormat))
{
    m_damaged = m_settings->status() == QSettings::FormatError;
}

QString NativeSettingsStore::location() const
{
    return m_settings->fileName();
}

NativeSettingsStore::~NativeSettingsStore()
{
    delete m_settings;
}

std::optional<qint32> NativeSettingsStore::readInt(const QString& name)
{
    const QVariant v = m_settings->value(name);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    // Registry DWORDs come back unsigned: take the 32 bits as they are stored.
    if (!ok || n < std::numeric_limits<qint32>::min()
        || n > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<qint32>(static_cast<quint32>(n));
}

void NativeSettingsStore::keepDamagedFile()
{
    if (!m_damaged || m_copied)
        return;
    m_copied = true;
    const QString file = m_settings->fileName();
    const QString copy = file + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::exists(file) && QFile::copy(file, copy))
        m_damagedCopy = copy;
}

bool NativeSettingsStore::writeInt(const QString& name, qint32 value)
{
    keepDamagedFile();
    if (!m_settings->isWritable())
        return false;
    m_settings->setValue(name, value);
    return true;
}

void NativeSettingsStore::flush()
{
    m_settings->sync();
}

} // namespace tc4dl
