#include "app/clock.h"

#include <QElapsedTimer>

namespace mv {
namespace {
std::function<QDateTime()>& clockFunction() {
    static std::function<QDateTime()> f;
    return f;
}
std::function<qint64()>& steadyFunction() {
    static std::function<qint64()> f;
    return f;
}
} // namespace

QDateTime now() { return clockFunction() ? clockFunction()() : QDateTime::currentDateTime(); }
void setClock(std::function<QDateTime()> clock) { clockFunction() = std::move(clock); }

qint64 steadyMsecs() {
    if (steadyFunction()) return steadyFunction()();
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}
void setSteadyClock(std::function<qint64()> clock) { steadyFunction() = std::move(clock); }

QString elapsedClockText(qint64 msecs) {
    const qint64 ms = std::max<qint64>(0, msecs);
    const qint64 secs = ms / 1000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(secs / 3600, 2, 10, QLatin1Char('0'))
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'))
        .arg((ms % 1000) / 10, 2, 10, QLatin1Char('0'));
}

} // namespace mv
