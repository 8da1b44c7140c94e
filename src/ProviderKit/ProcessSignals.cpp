#include "ProcessSignals.h"

#include <mutex>
#include <signal.h>

namespace tallyvane {

void ignoreSigpipeProcessWide()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        sigaction(SIGPIPE, &action, nullptr);
    });
}

} // namespace tallyvane
