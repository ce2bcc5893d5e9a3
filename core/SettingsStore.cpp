#include "SettingsStore.h"

#include "Clock.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>

#include <limits>

Q_LOGGING_CATEGORY(lcSettings, "tc4dl.settings")

namespace tc4dl {

NativeSettingsStore::NativeSettingsStore(Clock& clock)
    : m_clock(clock)
{
#ifdef Q_OS_WIN
    m_settings = new QSettings(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\TC4DL"), QSettings::NativeFormat);
    m_location = m_settings->fileName();
#else
    // The file QSettings would choose for the user's scope, named here so that its size can be
    // checked before QSettings reads it whole.
    openFile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/TC4DL/TC4DL.conf"));
#endif
}

NativeSettingsStore::NativeSettingsStore(Clock& clock, const QString& iniFile)
    : m_clock(clock)
{
    openFile(iniFile);
}

void NativeSettingsStore::openFile(const QString& file)
{
    m_location = file;
    const QFileInfo info(file);
    if (info.exists() && (!info.isFile() || info.size() > kMaxFileSize)) {
        const QString aside = damagedName(file);
        // Moved, not copied: a copy would leave the file for QSettings to read whole.
        if (!info.isFile() || !QFile::rename(file, aside)) {
            qCWarning(lcSettings).noquote()
                << "The settings file" << file
                << "is not a file of settings and cannot be moved aside; the defaults apply"
                   " and nothing is kept.";
            m_saidUnwritable = true;
            return;
        }
        m_damagedCopy = aside;
        m_copied = true;
        qCWarning(lcSettings).noquote()
            << "The settings file" << file << "was" << info.size()
            << "bytes long, far more than this program writes; it is kept as" << aside
            << "and the defaults apply.";
    }
    m_settings = new QSettings(file, QSettings::IniFormat);
    m_damaged = m_settings->status() == QSettings::FormatError;
}

QString NativeSettingsStore::damagedName(const QString& file) const
{
    return file + QStringLiteral(".damaged-")
        + m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString NativeSettingsStore::location() const
{
    return m_location;
}

NativeSettingsStore::~NativeSettingsStore()
{
    delete m_settings;
}

std::optional<qint32> NativeSettingsStore::readInt(const QString& name)
{
    if (!m_settings)
        return std::nullopt;
    const QVariant v = m_settings->value(name);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    // Registry DWORDs come back unsigned: take the 32 bits as they are stored.
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<qint32>(static_cast<quint32>(n));
}

void NativeSettingsStore::keepDamagedFile()
{
    if (!m_damaged || m_copied)
        return;
    m_copied = true;
    const QString file = m_settings->fileName();
    const QString copy = damagedName(file);
    if (QFile::exists(file) && QFile::copy(file, copy))
        m_damagedCopy = copy;
}

void NativeSettingsStore::sayUnwritable()
{
    if (m_saidUnwritable)
        return;
    m_saidUnwritable = true;
    qCWarning(lcSettings).noquote()
        << "The settings cannot be written to" << m_location << "and are not kept.";
}

bool NativeSettingsStore::writeValue(const QString& name, const QVariant& value)
{
    if (!m_settings) {
        sayUnwritable();
        return false;
    }
    keepDamagedFile();
    if (!m_settings->isWritable()) {
        sayUnwritable();
        return false;
    }
    m_settings->setValue(name, value);
    return true;
}

bool NativeSettingsStore::writeInt(const QString& name, qint32 value)
{
    return writeValue(name, value);
}

std::optional<QString> NativeSettingsStore::readText(const QString& name)
{
    if (!m_settings)
        return std::nullopt;
    const QVariant v = m_settings->value(name);
    if (!v.isValid() || !v.canConvert<QString>())
        return std::nullopt;
    return v.toString();
}

bool NativeSettingsStore::writeText(const QString& name, const QString& value)
{
    return writeValue(name, value);
}

void NativeSettingsStore::flush()
{
    if (!m_settings)
        return;
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        sayUnwritable();
}

} // namespace tc4dl
