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
    // Written digit by digit: a script shows one per statement.
    const qint64 ms = std::max<qint64>(0, msecs);
    const qint64 secs = ms / 1000;
    const qint64 hours = secs / 3600;
    char16_t text[32];
    int n = 0;
    char16_t hourDigits[20];
    int h = 0;
    for (qint64 v = hours; v > 0 || h < 2; v /= 10)
        hourDigits[h++] = char16_t(u'0' + v % 10);
    while (h > 0)
        text[n++] = hourDigits[--h];
    auto two = [&](qint64 v) {
        text[n++] = char16_t(u'0' + v / 10);
        text[n++] = char16_t(u'0' + v % 10);
    };
    text[n++] = u':';
    two((secs / 60) % 60);
    text[n++] = u':';
    two(secs % 60);
    text[n++] = u'.';
    two((ms % 1000) / 10);
    return QString(reinterpret_cast<const QChar*>(text), n);
}

} // namespace mv
