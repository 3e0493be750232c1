#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <thread>
#include <utility>

namespace gb::app {

// Runs `work(promise)` on a thread of its own and returns the future that promise reports to.
// Work on the user's storage goes here, never on a window's thread: a network share whose server
// went away blocks every read for good, and a window must still paint, cancel and close.
//
// Nothing ever waits for that thread: not the caller and not the program's exit (the application
// object waits for every task of Qt's global thread pool as it goes, so a read that never returns
// would keep the program alive after Exit). A thread still blocked then ends with the process.
// `work` therefore holds all it uses by value or through shared pointers; only the platform
// services are used by reference: they go only as the program ends, after every window (one
// whose work must not be cut short in a service at exit waits a moment for it, as the slide
// show's reads do).
template <typename T, typename Work> QFuture<T> RunDetached(Work work)
{
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    std::thread([promise = std::move(promise), work = std::move(work)]() mutable {
        work(promise);
        promise.finish();
    }).detach();
    return future;
}

// Watches `future` for `receiver`: the watcher is its child, so its signals arrive on the
// receiver's thread and stop for good once the receiver is gone; `done` runs once the future has
// finished (every result it reported delivered before), and the watcher then goes.
template <typename T, typename Done>
QFutureWatcher<T>* Watch(const QFuture<T>& future, QObject* receiver, Done done)
{
    auto* watcher = new QFutureWatcher<T>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver,
        [watcher, done = std::move(done)]() mutable {
            watcher->deleteLater();
            done(watcher->future());
        });
    watcher->setFuture(future);
    return watcher;
}

} // namespace gb::app
