#include "process_start.h"

#include <fcntl.h>
#include <malloc.h>
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
#if defined(__GLIBC__)
    // Each part of a run makes blocks of a megabyte or more and frees them
    // at its end. Taken from the heap and kept there, the next part reuses
    // the same pages; mapped one by one, each block is handed back to the
    // system when freed and every page of the next faulted in anew, which
    // cost a fifth of the time of --all on a song of five charts.
    ::mallopt(M_MMAP_THRESHOLD, 16 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    return true;
}

}  // namespace stepquill
