#include "process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace stepquill {

bool PrepareProcess() {
    for (int wanted = 0; wanted <= 2; ++wanted) {
        if (::fcntl(wanted, F_GETFD) >= 0 || errno != EBADF) continue;
        // open gives the lowest free number, which is `wanted` itself since
        // those below it are open by now.
        const int descriptor = ::open("/dev/null", wanted == 0 ? O_RDONLY : O_WRONLY);
        if (descriptor != wanted) {
            if (descriptor >= 0) ::close(descriptor);
            return false;
        }
    }
    ::signal(SIGXFSZ, SIG_IGN);
    return true;
}

}  // namespace stepquill
