#pragma once

// The command-line programs run as a user runs them: a real process, its output read line by
// line, and tc4dl-meter serving a simulated meter on a pseudo-terminal.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace cliprocess {

struct Run {
    int exitCode = -1; // -1 when the process crashed or timed out
    QStringList out; // standard output, one entry per non-empty line
    QString err;
};

inline Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
    const QString& folder, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out
        = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Starts tc4dl-meter and returns the pseudo-terminal it serves (empty when it did not start).
inline QString startMeter(QProcess& meter, const QString& program, const QStringList& args)
{
    meter.start(program, args);
    if (!meter.waitForStarted(5000) || !meter.waitForReadyRead(5000))
        return {};
    return QString::fromUtf8(meter.readLine()).trimmed();
}

inline void stopMeter(QProcess& meter)
{
    meter.terminate();
    if (!meter.waitForFinished(5000)) {
        meter.kill();
        meter.waitForFinished();
    }
}

} // namespace cliprocess
