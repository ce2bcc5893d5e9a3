#include "Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace tc4dl {

SystemClock::SystemClock()
{
    m_timer.start();
}

qint64 SystemClock::tickMs() const
{
    return m_timer.elapsed();
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::pause(int ms)
{
    const qint64 start = tickMs();
    // A nested event loop sleeps between events instead of spinning the processor.
    while (tickMs() - start <= ms) {
        const qint64 left = ms - (tickMs() - start) + 1;
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(left), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void SystemClock::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
}

void SystemClock::waitWhile(const std::function<bool()>& busy, int limitMs)
{
    const qint64 start = tickMs();
    while (busy() && tickMs() - start < limitMs)
        QThread::yieldCurrentThread();
}

void SystemClock::callAfter(int ms, QObject* context, std::function<void()> fn)
{
    QTimer::singleShot(ms, context, std::move(fn));
}

} // namespace tc4dl
