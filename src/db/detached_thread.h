#pragma once
// Work that must never hold the window (a connect to a host that does not answer, a catalog read)
// runs on a thread nobody waits for while the program runs. The program still waits for such
// threads, for a while, before it ends: a thread still inside a driver or Qt while the statics are
// destroyed would crash the exit or read freed memory.
#include <chrono>
#include <functional>

namespace mv {

void startDetached(std::function<void()> work);

// True when every thread started by startDetached has ended within limit (they are then joined).
bool detachedThreadsEnded(std::chrono::milliseconds limit);

// How the program ends: normally when nothing it started is still running, otherwise at once,
// without the static destructors a running thread could still reach (the files are written by
// then). Waits up to limit for threads still at their work.
[[noreturn]] void endProgram(int rc, std::chrono::milliseconds limit);

} // namespace mv
