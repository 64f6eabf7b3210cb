#pragma once

#include <QtGlobal>
#include <functional>

namespace sievra::test {

// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns done().
// Sockets, timers and posted events all make progress meanwhile.
bool WaitFor(const std::function<bool()>& done, int ms = 5000);

// Runs the event loop for `ms` milliseconds, to see that nothing more happens.
void RunEventsFor(int ms);

// A loopback TCP port with nobody listening on it (it was free a moment ago).
quint16 FreeLoopbackPort();

} // namespace sievra::test
