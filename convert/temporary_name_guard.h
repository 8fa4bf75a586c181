#pragma once

#include <signal.h>

#include <string>

namespace stepquill {

// While one of these lives, SIGINT, SIGTERM and SIGHUP first remove the
// named temporary file it guards, then end the program with the signal's
// usual status, so an interrupted run leaves no half-written file behind.
// The handlers that were there before come back when it is dropped. A
// signal that is ignored (as under nohup) stays ignored. One guard at a
// time: a second one while another lives guards nothing, on any thread, so
// threads that make named files at once hold the signals instead (see
// HeldSignals). SIGKILL cannot be caught; a named temporary file then stays.
class TemporaryNameGuard final {
public:
    explicit TemporaryNameGuard(const std::string& path);
    ~TemporaryNameGuard();
    TemporaryNameGuard(const TemporaryNameGuard&) = delete;
    TemporaryNameGuard& operator=(const TemporaryNameGuard&) = delete;

private:
    bool armed_ = false;
    struct sigaction before_[3] = {};
};

// While one of these lives, SIGINT, SIGTERM and SIGHUP wait: a file is
// named and its guard set up with no signal in between.
class HeldSignals final {
public:
    HeldSignals();
    ~HeldSignals();
    // Whether one of them came meanwhile and waits for the end.
    static bool OneWaits();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    sigset_t before_;
};

}  // namespace stepquill
