#include "RecorderSetup.h"

#include "AlarmActions.h"
#include "SerialPort.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

namespace tc4dl::recorder {

namespace {

const QString kPort = QStringLiteral("port");
const QString kAlarm = QStringLiteral("alarm");
const QString kHysteresis = QStringLiteral("hysteresis");
const QString kChannel = QStringLiteral("channel");

std::optional<bool> readBool(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on")
        || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")
        || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<qint64> readWhole(const QString& text, qint64 least, qint64 most)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < least || v > most)
        return std::nullopt;
    return v;
}

std::optional<double> readHysteresis(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (!plain.match(text.trimmed()).hasMatch())
        return std::nullopt;
    const double h = text.trimmed().toDouble();
    if (!std::isfinite(h) || h > 1000.0)
        return std::nullopt;
    return h;
}

// "NAME:REST" when the text before the first ':' is a meter name, else ("", text).
std::pair<QString, QString> splitMeterPrefix(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon > 0 && validMeterName(text.left(colon)))
        return { text.left(colon), text.mid(colon + 1) };
    return { QString(), text };
}

// "T2=Oven air": the channel (0..3) and its name.
std::optional<std::pair<int, QString>> readChannelName(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^T([1-4])=(.*)$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QString name = m.captured(2).trimmed();
    if (name.size() > alarm::ChannelSettings::kMaxNameLength)
        return std::nullopt;
    for (const QChar c : name) {
        if (!c.isPrint())
            return std::nullopt;
    }
    return std::pair { m.captured(1).toInt() - 1, name };
}

QString alarmHelp()
{
    return QStringLiteral(
        "a channel T1 to T4, optionally /min, > or <, and a limit such as T1>150, "
        "T3<-5.5 or T2/min>5");
}

} // namespace

bool validMeterName(const QString& name)
{
    static const QRegularExpression form(
        QStringLiteral("^[A-Za-z0-9_-]{1,%1}$").arg(RecorderSetup::kMaxNameLength));
    return form.match(name).hasMatch();
}

QString defaultMeterName(const QString& device)
{
    QString name = QFileInfo(device).fileName();
    if (device == QLatin1String(ports::kSimulatedMeter))
        name = QStringLiteral("demo");
    for (QChar& c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    name.truncate(RecorderSetup::kMaxNameLength);
    return name.isEmpty() ? QStringLiteral("meter") : name;
}

bool validTopicPrefix(const QString& prefix)
{
    if (prefix.isEmpty() || prefix.size() > 64)
        return false;
    for (const QString& level : prefix.split(QLatin1Char('/'))) {
        if (level.isEmpty())
            return false;
        for (const QChar c : level) {
            if (c == QLatin1Char('+') || c == QLatin1Char('#') || !c.isPrint())
                return false;
        }
    }
    return true;
}

std::optional<MqttSetup> parseMqttUrl(const QString& text, QString* error)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    MqttSetup s;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))
        || url.host().isEmpty()) {
        *error = QStringLiteral("give mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"")
                     .arg(text);
        return std::nullopt;
    }
    if (!url.userInfo().isEmpty()) {
        *error = QStringLiteral("a user or password never goes on the command line or in the URL: "
                                "put them in the file --mqtt-auth names");
        return std::nullopt;
    }
    if ((!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery()
        || url.hasFragment()) {
        *error = QStringLiteral("the broker's URL holds a host and a port, nothing after them");
        return std::nullopt;
    }
    s.tls = scheme == QLatin1String("mqtts");
    s.host = url.host();
    const int port = url.port(s.tls ? 8883 : 1883);
    if (port < 1 || port > 65535) {
        *error = QStringLiteral("the broker's port is 1 to 65535");
        return std::nullopt;
    }
    s.port = quint16(port);
    return s;
}

QStringList SetupBuilder::topKeys()
{
    return { kPort, QStringLiteral("demo"), QStringLiteral("every"), QStringLiteral("count"),
        QStringLiteral("archive"), QStringLiteral("no-archive"), QStringLiteral("journal"),
        QStringLiteral("mqtt"), QStringLiteral("mqtt-auth"), QStringLiteral("mqtt-prefix"),
        QStringLiteral("mqtt-ca"), kAlarm, kHysteresis, QStringLiteral("on-alarm"),
        QStringLiteral("webhook"), kChannel };
}

QStringList SetupBuilder::meterKeys()
{
    return { kPort, kAlarm, kHysteresis, kChannel };
}

bool SetupBuilder::fail(const QString& origin, const QString& why)
{
    m_error = origin.isEmpty() ? why : origin + QStringLiteral(": ") + why;
    return false;
}

MeterSetup& SetupBuilder::group(const QString& name)
{
    for (MeterSetup& m : m_meters) {
        if (m.name == name)
            return m;
    }
    m_meters.push_back({});
    m_meters.back().name = name;
    return m_meters.back();
}

bool SetupBuilder::addConfig(const ConfigText& text, const QString& fileName)
{
    if (!text.ok())
        return fail(fileName, text.error);
    for (const QString& g : text.groups) {
        if (!validMeterName(g))
            return fail(fileName,
                QStringLiteral("[meter %1]: a meter's name is 1 to %2 letters, digits, _ or -")
                    .arg(g)
                    .arg(RecorderSetup::kMaxNameLength));
        (void)group(g);
    }
    for (const ConfigEntry& e : text.entries) {
        if (!add(e.group, e.key, e.value, QStringLiteral("%1 line %2").arg(fileName).arg(e.line)))
            return false;
    }
    return true;
}

bool SetupBuilder::add(
    const QString& groupName, const QString& key, const QString& value, const QString& origin)
{
    if (!groupName.isEmpty())
        return addMeterSetting(groupName, key, value, origin);
    if (!topKeys().contains(key))
        return fail(origin,
            QStringLiteral("unknown setting \"%1\" (known: %2)")
                .arg(key, topKeys().join(QStringLiteral(", "))));
    if (key == kPort) {
        const qsizetype equals = value.lastIndexOf(QLatin1Char('='));
        MeterSetup m;
        m.device = (equals > 0 ? value.left(equals) : value).trimmed();
        m.name = equals > 0 ? value.mid(equals + 1).trimmed() : defaultMeterName(m.device);
        if (m.device.isEmpty())
            return fail(origin, QStringLiteral("--port needs a DEVICE"));
        if (!validMeterName(m.name))
            return fail(origin,
                QStringLiteral("\"%1\" is no meter name: 1 to %2 letters, digits, _ or -")
                    .arg(m.name)
                    .arg(RecorderSetup::kMaxNameLength));
        for (const MeterSetup& other : m_meters) {
            if (other.name == m.name)
                return fail(origin, QStringLiteral("two meters are named %1").arg(m.name));
        }
        m_meters.push_back(m);
        return true;
    }
    if (key == QLatin1String("demo") || key == QLatin1String("no-archive")) {
        const std::optional<bool> on = readBool(value);
        if (!on)
            return fail(origin, QStringLiteral("%1 is true or false, not \"%2\"").arg(key, value));
        (key == QLatin1String("demo") ? m_demo : m_setup.noArchive) = *on;
        return true;
    }
    if (key == QLatin1String("every")) {
        const std::optional<qint64> v = readWhole(value, 1, RecorderSetup::kMaxEvery);
        if (!v)
            return fail(origin,
                QStringLiteral("every needs whole seconds from 1 to %1, not \"%2\"")
                    .arg(RecorderSetup::kMaxEvery)
                    .arg(value));
        m_setup.every = int(*v);
        return true;
    }
    if (key == QLatin1String("count")) {
        const std::optional<qint64> v = readWhole(value, 1, std::numeric_limits<qint64>::max());
        if (!v)
            return fail(origin,
                QStringLiteral("count needs a whole number of readings of 1 or more, not \"%1\"")
                    .arg(value));
        m_setup.count = *v;
        return true;
    }
    if (key == QLatin1String("archive") || key == QLatin1String("journal")
        || key == QLatin1String("mqtt-auth") || key == QLatin1String("mqtt-ca")) {
        if (value.trimmed().isEmpty())
            return fail(origin, QStringLiteral("%1 needs a path").arg(key));
        QString& target = key == QLatin1String("archive") ? m_setup.archive
            : key == QLatin1String("journal")             ? m_setup.journalFolder
            : key == QLatin1String("mqtt-auth")           ? m_setup.mqtt.authFile
                                                          : m_setup.mqtt.caFile;
        target = value.trimmed();
        return true;
    }
    if (key == QLatin1String("mqtt")) {
        QString why;
        const std::optional<MqttSetup> parsed = parseMqttUrl(value, &why);
        if (!parsed)
            return fail(origin, why);
        m_setup.mqtt.host = parsed->host;
        m_setup.mqtt.port = parsed->port;
        m_setup.mqtt.tls = parsed->tls;
        return true;
    }
    if (key == QLatin1String("mqtt-prefix")) {
        if (!validTopicPrefix(value.trimmed()))
            return fail(origin,
                QStringLiteral("the topic prefix \"%1\" needs one or more levels without + or # "
                               "and no empty level")
                    .arg(value));
        m_setup.mqtt.prefix = value.trimmed();
        return true;
    }
    if (key == QLatin1String("on-alarm")) {
        const std::optional<QStringList> words = splitCommandWords(value);
        if (!words)
            return fail(origin, QStringLiteral("on-alarm leaves a quote open: \"%1\"").arg(value));
        if (words->isEmpty())
            return fail(origin, QStringLiteral("on-alarm needs a command"));
        m_setup.onAlarm = value.trimmed();
        return true;
    }
    if (key == QLatin1String("webhook")) {
        const QUrl url(value.trimmed(), QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty()
            || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return fail(origin,
                QStringLiteral("webhook needs an http:// or https:// address, not \"%1\"")
                    .arg(value));
        m_setup.webhook = url;
        return true;
    }
    if (key == kHysteresis) {
        const std::optional<double> h = readHysteresis(value);
        if (!h)
            return fail(origin,
                QStringLiteral("hysteresis needs a number of 0 or more with a decimal point, not "
                               "\"%1\"")
                    .arg(value));
        m_hysteresis = *h;
        return true;
    }
    const auto [meter, rest] = splitMeterPrefix(value.trimmed());
    return addRuleOrName(meter, key, rest, value, origin);
}

bool SetupBuilder::addRuleOrName(const QString& meter, const QString& key, const QString& text,
    const QString& value, const QString& origin)
{
    if (key == kAlarm) {
        const std::optional<alarm::AlarmRule> rule = alarm::parseAlarmSpec(text);
        if (!rule)
            return fail(origin,
                QStringLiteral("not an alarm [NAME:]SPEC: \"%1\"; give %2")
                    .arg(value, alarmHelp()));
        if (meter.isEmpty())
            m_allAlarms.push_back(*rule);
        else
            m_namedAlarms.emplace_back(meter, *rule);
        return true;
    }
    const std::optional<std::pair<int, QString>> channel = readChannelName(text);
    if (!channel)
        return fail(origin,
            QStringLiteral("a channel's name is given as [NAME:]T1=TEXT, at most %1 printable "
                           "characters, not \"%2\"")
                .arg(alarm::ChannelSettings::kMaxNameLength)
                .arg(value));
    m_namedChannels.emplace_back(meter, *channel);
    return true;
}

bool SetupBuilder::addMeterSetting(
    const QString& groupName, const QString& key, const QString& value, const QString& origin)
{
    if (!meterKeys().contains(key))
        return fail(origin,
            QStringLiteral("unknown setting \"%1\" in [meter %2] (known there: %3)")
                .arg(key, groupName, meterKeys().join(QStringLiteral(", "))));
    MeterSetup& m = group(groupName);
    if (key == kPort) {
        if (value.trimmed().isEmpty())
            return fail(origin, QStringLiteral("port needs a DEVICE"));
        if (!m.device.isEmpty())
            return fail(origin, QStringLiteral("[meter %1] has one port").arg(groupName));
        m.device = value.trimmed();
        return true;
    }
    if (key == kHysteresis) {
        const std::optional<double> h = readHysteresis(value);
        if (!h)
            return fail(origin,
                QStringLiteral("hysteresis needs a number of 0 or more with a decimal point, not "
                               "\"%1\"")
                    .arg(value));
        m_meterHysteresis.emplace_back(groupName, *h);
        return true;
    }
    return addRuleOrName(groupName, key, value.trimmed(), value, origin);
}

std::optional<RecorderSetup> SetupBuilder::build()
{
    RecorderSetup s = m_setup;
    s.meters = m_meters;
    if (m_demo) {
        MeterSetup demo;
        demo.device = QLatin1String(ports::kSimulatedMeter);
        demo.name = QStringLiteral("demo");
        s.meters.push_back(demo);
    }
    auto refuse = [this](const QString& why) -> std::optional<RecorderSetup> {
        m_error = why;
        return std::nullopt;
    };
    if (s.meters.empty())
        return refuse(
            QStringLiteral("no meter to record: give --port DEVICE[=NAME], a [meter NAME] "
                           "group with its port, or --demo"));
    if (s.meters.size() > std::size_t(RecorderSetup::kMaxMeters))
        return refuse(
            QStringLiteral("one recorder reads at most %1 meters").arg(RecorderSetup::kMaxMeters));
    auto find = [&s](const QString& name) -> MeterSetup* {
        for (MeterSetup& m : s.meters) {
            if (m.name == name)
                return &m;
        }
        return nullptr;
    };
    for (std::size_t i = 0; i < s.meters.size(); ++i) {
        const MeterSetup& m = s.meters[i];
        if (m.device.isEmpty())
            return refuse(QStringLiteral("[meter %1] needs a port").arg(m.name));
        for (std::size_t k = 0; k < i; ++k) {
            if (s.meters[k].name == m.name)
                return refuse(QStringLiteral("two meters are named %1").arg(m.name));
            if (ports::deviceNameFor(s.meters[k].device) == ports::deviceNameFor(m.device)
                && m.device != QLatin1String(ports::kSimulatedMeter))
                return refuse(QStringLiteral("%1 and %2 are both on %3")
                                  .arg(s.meters[k].name, m.name, m.device));
        }
    }
    for (const auto& [name, rule] : m_namedAlarms) {
        MeterSetup* m = find(name);
        if (!m)
            return refuse(QStringLiteral("the alarm %1:%2 names no meter that is recorded")
                              .arg(name, rule.specText()));
        m->alarms.push_back(rule);
    }
    for (const auto& [name, channel] : m_namedChannels) {
        if (name.isEmpty()) {
            for (MeterSetup& m : s.meters)
                m.channelNames[std::size_t(channel.first)] = channel.second;
            continue;
        }
        MeterSetup* m = find(name);
        if (!m)
            return refuse(QStringLiteral("the channel name %1:T%2 names no meter that is recorded")
                              .arg(name)
                              .arg(channel.first + 1));
        m->channelNames[std::size_t(channel.first)] = channel.second;
    }
    for (MeterSetup& m : s.meters) {
        m.alarms.insert(m.alarms.end(), m_allAlarms.begin(), m_allAlarms.end());
        if (m.alarms.size() > std::size_t(RecorderSetup::kMaxAlarmsPerMeter))
            return refuse(QStringLiteral("%1 has more than %2 alarms")
                              .arg(m.name)
                              .arg(RecorderSetup::kMaxAlarmsPerMeter));
        m.hysteresis = m_hysteresis.value_or(1.0);
    }
    for (const auto& [name, h] : m_meterHysteresis)
        find(name)->hysteresis = h;
    return s;
}

} // namespace tc4dl::recorder
