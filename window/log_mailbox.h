#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "log_lines.h"
#include "progress_log.h"

class LogModel;

// Where a conversion on another thread leaves its log lines until the
// window takes them into List1's model, a batch at a time. The model is
// only ever touched on the window's thread.
class LogMailbox {
public:
    explicit LogMailbox(std::size_t limit) : limit_(limit) {}

    void Clear();
    void Append(const std::string& line);
    // Whether lines are still worth building: past `limit` lines the model
    // cuts its log, so the one line past it is the last one sent.
    bool KeepsLines() const { return sent_.load() <= limit_ && !lost_.load(); }
    // Hands the lines left so far to the model, on the window's thread.
    void Deliver(LogModel& model);

private:
    std::mutex mutex_;
    bool cleared_ = false;
    LogLines lines_;
    std::atomic<std::size_t> sent_{0};
    std::atomic<bool> lost_{false};  // a line did not fit in memory
    const std::size_t limit_;
};

// The conversion's log, on its own thread: every line goes to the mailbox.
class MailboxLog final : public stepquill::ProgressLog {
public:
    explicit MailboxLog(std::shared_ptr<LogMailbox> mailbox) : mailbox_(std::move(mailbox)) {}
    void Clear() override { mailbox_->Clear(); }
    void Append(const std::string& line) override { mailbox_->Append(line); }
    bool KeepsLines() const override { return mailbox_->KeepsLines(); }

private:
    std::shared_ptr<LogMailbox> mailbox_;
};
