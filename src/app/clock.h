#pragma once
// "Now" for protocol lines and file stamps, and a steady clock for elapsed times; tests pin both.
#include <QDateTime>
#include <QString>
#include <functional>

namespace mv {

QDateTime now();
void setClock(std::function<QDateTime()> clock); // an empty function restores the system clock

// Milliseconds of a clock that never jumps (a changed system time or time zone does not move it).
// Durations are measured with it, never with now().
qint64 steadyMsecs();
void setSteadyClock(std::function<qint64()> clock); // an empty function restores the real one

// A duration as "hh:mm:ss.cc": hundredths cut, not rounded, like a stopwatch; negative counts as 0.
QString elapsedClockText(qint64 msecs);

} // namespace mv
