#include "Settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl {

namespace {
const QString kLastConnectedPort = QStringLiteral("LastConnectedPort");
const QString kLastConnectedModel = QStringLiteral("LastConnectedModel");
const QString kRealTimeRate = QStringLiteral("RealTimeRate");
const QString kAnnoColor = QStringLiteral("AnnoColor");
const QString kCfDegree = QStringLiteral("CF_Degree");
const QString kLastFolder = QStringLiteral("LastFolder");
const QString& kArchiveEnabled = kArchiveEnabledKey;
const QString& kArchivePath = kArchivePathKey;

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
    if (const std::optional<QString> folder = store.readText(kLastFolder))
        s.lastFolder = *folder;
    if (const std::optional<qint32> enabled = store.readInt(kArchiveEnabled))
        s.archiveEnabled = *enabled != 0;
    if (const std::optional<QString> path = store.readText(kArchivePath))
        s.archivePath = *path;

    s.lastConnectedPort = std::clamp(s.lastConnectedPort, kMinPortIndex, kMaxPortIndex);
    if (s.lastConnectedModel != 740 && s.lastConnectedModel != 735)
        s.lastConnectedModel = 740;
    s.realTimeRate = std::clamp(s.realTimeRate, kMinRealTimeRate, kMaxRealTimeRate);
    s.annoColor = std::clamp(s.annoColor, 0, kMaxColor);
    s.cfDegree = std::clamp(s.cfDegree, 0, 1);
    return s;
}

void Settings::write(SettingsStore& store) const
{
    store.writeInt(kRealTimeRate, realTimeRate);
    store.writeInt(kLastConnectedPort, lastConnectedPort);
    store.writeInt(kLastConnectedModel, lastConnectedModel);
    store.writeInt(kAnnoColor, annoColor);
    store.writeInt(kCfDegree, cfDegree);
    if (!lastFolder.isEmpty())
        store.writeText(kLastFolder, lastFolder);
    store.flush();
}

bool Settings::writeArchive(SettingsStore& store) const
{
    const bool enabled = store.writeInt(kArchiveEnabled, archiveEnabled ? 1 : 0);
    const bool path = store.writeText(kArchivePath, archivePath);
    store.flush();
    return enabled && path;
}

namespace {
QString channelKey(int channel, const char* what)
{
    return QStringLiteral("Channel%1%2").arg(channel + 1).arg(QLatin1String(what));
}

void readTenths(SettingsStore& store, const QString& name, double& value, qint32 least, qint32 most)
{
    if (const std::optional<qint32> v = store.readInt(name))
        value = std::clamp(*v, least, most) / 10.0;
}

void readFlag(SettingsStore& store, const QString& name, bool& value)
{
    if (const std::optional<qint32> v = store.readInt(name))
        value = *v != 0;
}

qint32 tenths(double value, qint32 least, qint32 most)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<qint32>(std::llround(std::clamp(value * 10.0, double(least), double(most))));
}
} // namespace

AlarmSettings AlarmSettings::read(SettingsStore& store)
{
    AlarmSettings s;
    for (int c = 0; c < alarm::kChannels; ++c) {
        alarm::ChannelSettings& ch = s.channels[static_cast<std::size_t>(c)];
        if (const std::optional<QString> name = store.readText(channelKey(c, "Name"))) {
            // A hand-edited name never breaks a line or a status text.
            QString clean;
            for (const QChar q : *name)
                clean += q.isPrint() ? q : QChar(u' ');
            ch.name = clean.trimmed().left(alarm::ChannelSettings::kMaxNameLength);
        }
        readFlag(store, channelKey(c, "HighOn"), ch.highOn);
        readTenths(store, channelKey(c, "High"), ch.high, -kMaxLimitTenths, kMaxLimitTenths);
        readFlag(store, channelKey(c, "LowOn"), ch.lowOn);
        readTenths(store, channelKey(c, "Low"), ch.low, -kMaxLimitTenths, kMaxLimitTenths);
        readFlag(store, channelKey(c, "RateOn"), ch.rateOn);
        readTenths(store, channelKey(c, "Rate"), ch.rate, -kMaxLimitTenths, kMaxLimitTenths);
        readTenths(store, channelKey(c, "Hysteresis"), ch.hysteresis, 0, kMaxBandTenths);
    }
    readFlag(store, QStringLiteral("AlarmSound"), s.sound);
    if (const std::optional<QString> command = store.readText(QStringLiteral("AlarmCommand"))) {
        // One line: a hand-edited line break never splits it into a second command.
        if (command->size() <= alarm::AlarmOutlets::kMaxLength && !command->contains(u'\n')
            && !command->contains(u'\r'))
            s.outlets.command = command->trimmed();
    }
    if (const std::optional<QString> url = store.readText(QStringLiteral("AlarmWebhook"))) {
        if (alarm::webhookProblem(*url) == alarm::WebhookProblem::None)
            s.outlets.webhook = url->trimmed();
    }
    return s;
}

void AlarmSettings::write(SettingsStore& store) const
{
    for (int c = 0; c < alarm::kChannels; ++c) {
        const alarm::ChannelSettings& ch = channels[static_cast<std::size_t>(c)];
        store.writeText(channelKey(c, "Name"), ch.name);
        store.writeInt(channelKey(c, "HighOn"), ch.highOn ? 1 : 0);
        store.writeInt(channelKey(c, "High"), tenths(ch.high, -kMaxLimitTenths, kMaxLimitTenths));
        store.writeInt(channelKey(c, "LowOn"), ch.lowOn ? 1 : 0);
        store.writeInt(channelKey(c, "Low"), tenths(ch.low, -kMaxLimitTenths, kMaxLimitTenths));
        store.writeInt(channelKey(c, "RateOn"), ch.rateOn ? 1 : 0);
        store.writeInt(channelKey(c, "Rate"), tenths(ch.rate, -kMaxLimitTenths, kMaxLimitTenths));
        store.writeInt(channelKey(c, "Hysteresis"), tenths(ch.hysteresis, 0, kMaxBandTenths));
    }
    store.writeInt(QStringLiteral("AlarmSound"), sound ? 1 : 0);
    store.writeText(QStringLiteral("AlarmCommand"), outlets.command);
    store.writeText(QStringLiteral("AlarmWebhook"), outlets.webhook);
    store.flush();
}

LivePageSettings LivePageSettings::read(SettingsStore& store)
{
    LivePageSettings s;
    readFlag(store, QStringLiteral("LivePageOn"), s.on);
    if (const std::optional<QString> address = store.readText(QStringLiteral("LivePageAddress"))) {
        // An address is short and plain; a damaged one keeps the safe default (one that is
        // no address at all is said when the page is to start).
        const QString a = address->trimmed();
        if (!a.isEmpty() && a.size() <= 64
            && std::all_of(a.begin(), a.end(), [](QChar q) { return q.isPrint() && !q.isSpace(); }))
            s.address = a;
    }
    if (const std::optional<qint32> port = store.readInt(QStringLiteral("LivePagePort")))
        s.port = std::clamp(*port, 1, 65535);
    return s;
}

bool LivePageSettings::write(SettingsStore& store) const
{
    const bool a = store.writeInt(QStringLiteral("LivePageOn"), on ? 1 : 0);
    const bool b = store.writeText(QStringLiteral("LivePageAddress"), address);
    const bool c = store.writeInt(QStringLiteral("LivePagePort"), port);
    store.flush();
    return a && b && c;
}

} // namespace tc4dl
