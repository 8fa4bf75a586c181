#include "library_progress.h"

namespace {

constexpr std::chrono::milliseconds kBetweenUpdates{100};

}  // namespace

void LibraryProgressRelay::Progressed(const stepquill::LibraryProgress& progress) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastSent_ < kBetweenUpdates) return;
    lastSent_ = now;
    QMetaObject::invokeMethod(receiver_, [show = show_, progress] { show(progress); }, Qt::QueuedConnection);
}
