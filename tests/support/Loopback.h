#pragma once

#include "WaitFor.h"

#include <QtGlobal>

namespace sievra::test {

// True once something accepts connections on 127.0.0.1:port (waits up to milliseconds).
bool WaitForListener(quint16 port, int milliseconds = 10000);

} // namespace sievra::test
