#pragma once

class QProcess;

namespace sievra::test {

// Makes a test server started through `process` end with the test program: a test that
// aborts (a failed check under a sanitizer) runs no destructors, and a server left running
// would keep its ports and the test's output pipe, so ctest would wait for its time-out.
void EndWithTestProgram(QProcess& process);

} // namespace sievra::test
