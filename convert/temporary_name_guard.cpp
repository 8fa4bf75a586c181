#include "temporary_name_guard.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace stepquill {

namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler receives nothing but the signal's number, so the name it
// removes has to be where it can find it: in storage of the program's own.
// A fixed buffer, because the handler may allocate nothing and a string's
// memory could be in the middle of changing when the signal comes. `guarded`
// says whether the buffer holds a name to remove: a guard claims the buffer
// (so that of several threads one writes it), writes the name, then arms it,
// so the handler never sees half a name.
char guardedName[PATH_MAX];
constexpr int kFree = 0;
constexpr int kClaimed = 1;
constexpr int kArmed = 2;
std::atomic<int> guarded{kFree};
static_assert(std::atomic<int>::is_always_lock_free, "read by a signal handler");

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void RemoveThenEnd(int signal) {
    if (guarded.load() == kArmed) ::unlink(guardedName);
    struct sigaction usual {};
    usual.sa_handler = SIG_DFL;
    ::sigemptyset(&usual.sa_mask);
    ::sigaction(signal, &usual, nullptr);
    // The signal is blocked while its handler runs; it ends the program as
    // soon as the handler returns.
    ::raise(signal);
}

}  // namespace

TemporaryNameGuard::TemporaryNameGuard(const std::string& path) {
    int free = kFree;
    if (path.size() >= sizeof guardedName || !guarded.compare_exchange_strong(free, kClaimed)) return;
    std::memcpy(guardedName, path.c_str(), path.size() + 1);
    guarded.store(kArmed);
    armed_ = true;
    struct sigaction remove {};
    remove.sa_handler = RemoveThenEnd;
    ::sigemptyset(&remove.sa_mask);
    for (const int signal : kSignals) ::sigaddset(&remove.sa_mask, signal);
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], nullptr, &before_[i]);
        if (before_[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &remove, nullptr);
    }
}

TemporaryNameGuard::~TemporaryNameGuard() {
    if (!armed_) return;
    for (int i = 0; i < 3; ++i)
        if (before_[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &before_[i], nullptr);
    guarded.store(kFree);
}

HeldSignals::HeldSignals() {
    sigset_t held;
    ::sigemptyset(&held);
    for (const int signal : kSignals) ::sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &before_);
}

HeldSignals::~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

bool HeldSignals::OneWaits() {
    sigset_t waiting;
    if (::sigpending(&waiting) != 0) return false;
    // One that is ignored (as SIGHUP under nohup) waits too, but means nothing.
    struct sigaction action {};
    for (const int signal : kSignals)
        if (::sigismember(&waiting, signal) == 1 && ::sigaction(signal, nullptr, &action) == 0 &&
            action.sa_handler != SIG_IGN)
            return true;
    return false;
}

}  // namespace stepquill
