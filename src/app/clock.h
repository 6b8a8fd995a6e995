#pragma once
// "Now" for protocol lines and file stamps; tests pin it.
#include <QDateTime>
#include <functional>

namespace mv {

QDateTime now();
void setClock(std::function<QDateTime()> clock); // an empty function restores the system clock

} // namespace mv
