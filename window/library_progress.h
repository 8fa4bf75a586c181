#pragma once

#include <QObject>

#include <chrono>
#include <functional>

#include "library_run.h"

// Hands a library run's progress from the run's thread to `show` on the
// thread of `receiver`, the window's, at most ten times a second: a run
// over small charts finishes songs far faster than a progress bar needs.
class LibraryProgressRelay final : public stepquill::LibraryListener {
public:
    using Show = std::function<void(const stepquill::LibraryProgress&)>;

    LibraryProgressRelay(QObject* receiver, Show show) : receiver_(receiver), show_(std::move(show)) {}
    void Progressed(const stepquill::LibraryProgress& progress) override;

private:
    QObject* receiver_;
    Show show_;
    std::chrono::steady_clock::time_point lastSent_{};
};
