#pragma once

#include <QtGlobal>
#include <functional>

namespace sievra::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 FreeLoopbackPort();

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000);

// True once something accepts connections on 127.0.0.1:port (waits up to milliseconds).
bool WaitForListener(quint16 port, int milliseconds = 10000);

} // namespace sievra::test
