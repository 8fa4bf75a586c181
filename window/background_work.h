#pragma once

#include <QObject>
#include <QThread>

#include <memory>
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
