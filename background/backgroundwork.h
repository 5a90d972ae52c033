#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <optional>
#include <thread>
#include <utility>

namespace quillpix {

// Runs work on a thread of its own while the calling thread goes on handling its events (the
// window repaints and answers, Esc reaches the run's stop), and returns its result once it has
// ended; what it threw is thrown here. work must not touch the window: its inputs are copied in,
// its result handed back.
template <typename Work> auto whileAnswering(Work work) -> decltype(work()) {
    using Result = decltype(work());
    std::optional<Result> result;
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop quits on its own thread, whether it runs yet or not.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return std::move(*result);
}

} // namespace quillpix
