#include "ServerProcess.h"

#include <QProcess>
#include <csignal>
#include <sys/prctl.h>

namespace sievra::test {

void EndWithTestProgram(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace sievra::test
