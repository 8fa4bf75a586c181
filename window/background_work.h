#pragma once

#include <QObject>
#include <QThread>

#include <memory>
#include <thread>
#include <utility>

// Runs `work` on a thread of its own and hands its result to `done` on the
// thread of `receiver`, the window's, once the work ends. When the receiver
// is gone by then, the result is dropped; the thread deletes itself either
// way. The work must own whatever it uses: it may outlive the window.
template <typename Work, typename Done>
void RunInBackground(QObject* receiver, Work work, Done done) {
    using Result = decltype(work());
    auto result = std::make_shared<Result>();
    QThread* thread = QThread::create([result, work = std::move(work)]() mutable { *result = work(); });
    QObject::connect(thread, &QThread::finished, receiver,
                     [result, done = std::move(done)]() mutable { done(std::move(*result)); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

// Runs `work` on a thread of its own as RunInBackground does, but the thread
// belongs to this object: destroying it waits for the work to end and drops
// its result, so nothing of the work outlives the window that owns it. For
// work that writes files, which closing the window must not cut short.
// `done` runs on the thread of `receiver`, which must outlive this object.
class OwnedWork {
public:
    template <typename Work, typename Done>
    OwnedWork(QObject* receiver, Work work, Done done) : dropped_(std::make_shared<bool>(false)) {
        thread_ = std::thread([receiver, dropped = dropped_, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work();
            // `dropped` is only read and set on the receiver's thread.
            QMetaObject::invokeMethod(
                receiver,
                [dropped, done = std::move(done), result = std::move(result)]() mutable {
                    if (!*dropped) done(std::move(result));
                },
                Qt::QueuedConnection);
        });
    }
    ~OwnedWork() {
        *dropped_ = true;
        thread_.join();
    }
    OwnedWork(const OwnedWork&) = delete;
    OwnedWork& operator=(const OwnedWork&) = delete;

private:
    std::shared_ptr<bool> dropped_;
    std::thread thread_;
};
