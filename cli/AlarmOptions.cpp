#include "AlarmOptions.h"

#include "ExitCode.h"

#include <cmath>

namespace tc4dl::cli {

QCommandLineOption alarmOption()
{
    return QCommandLineOption(QStringLiteral("alarm"),
        QStringLiteral("An alarm limit: T1>150, T3<-5.5 or T2/min>5 (channel, > or <, a limit "
                       "with a decimal point in the unit in use; /min: the rate of change in "
                       "degrees per minute over the last 60 s). Repeatable."),
        QStringLiteral("SPEC"));
}

QCommandLineOption hysteresisOption()
{
    return QCommandLineOption(QStringLiteral("hysteresis"),
        QStringLiteral("How far a reading must come back before its alarm can be raised again "
                       "(degrees, per minute for a rate; default 1.0)."),
        QStringLiteral("H"));
}

int readAlarmOptions(const QCommandLineParser& parser, AlarmOptions& options, QTextStream& err)
{
    options.rules.clear();
    for (const QString& spec : parser.values(QStringLiteral("alarm"))) {
        const std::optional<alarm::AlarmRule> rule = alarm::parseAlarmSpec(spec);
        if (!rule) {
            err << "Not an alarm SPEC: \"" << spec
                << "\". Give a channel T1 to T4, optionally /min, > or <, and a limit such as "
                   "T1>150, T3<-5.5 or T2/min>5.\n";
            return Usage;
        }
        options.rules.push_back(*rule);
    }
    options.hysteresis = 1.0;
    if (parser.isSet(QStringLiteral("hysteresis"))) {
        const QString text = parser.value(QStringLiteral("hysteresis"));
        bool ok = false;
        const double h = text.toDouble(&ok);
        if (!ok || !std::isfinite(h) || h < 0.0) {
            err << "--hysteresis needs a number of 0 or more with a decimal point, not \"" << text
                << "\".\n";
            return Usage;
        }
        options.hysteresis = h;
    }
    return Ok;
}

QString alarmValueText(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace tc4dl::cli
