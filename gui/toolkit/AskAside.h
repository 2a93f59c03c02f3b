#pragma once
#include <QDialog>
#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QTimer>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/Thread.h"

// Questions to the file system asked on a thread of their own, so that a
// folder on a hung mount never holds the user-interface thread: its answer is
// awaited kAnswerLimitMs at most, unless the caller gives a limit of its own.
// A question given up on ends whenever the system answers, on its thread: it
// holds copies of all it uses, never a widget, nor a Chaine that another
// thread holds too.
inline constexpr int kAnswerLimitMs = 1000;

// Starts `question` on a thread of its own. Without a thread to ask it, the
// answer ends at once, empty.
template <class F>
QFuture<std::invoke_result_t<F>> AskAside(F question) {
    using T = std::invoke_result_t<F>;
    const auto asked =
        std::make_shared<std::pair<QPromise<T>, F>>(QPromise<T>(), std::move(question));
    QFuture<T> answer = asked->first.future();
    try {
        platform::Thread::Start(
            [asked] {
                asked->first.start();
                asked->first.addResult(asked->second());
                asked->first.finish();
            },
            platform::Thread::kNormal)
            .detach();
    } catch (...) {
        // The promise, dropped unkept, cancels the answer.
    }
    return answer;
}

// Calls `then` on `context`'s thread with the answer, or with none when it is
// cancelled or once `limitMs` have passed; never once `context` is gone.
template <class T, class F>
void OnAnswer(const QFuture<T>& answer, QObject* context, F then, int limitMs = kAnswerLimitMs) {
    auto* watcher = new QFutureWatcher<T>(context);
    auto* limit = new QTimer(watcher);
    const auto give = [watcher, limit, then](std::optional<T> result) {
        limit->stop();
        watcher->disconnect();
        watcher->deleteLater();
        then(std::move(result));
    };
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, give] {
        give(watcher->isCanceled() ? std::nullopt : std::optional<T>(watcher->result()));
    });
    QObject::connect(limit, &QTimer::timeout, watcher, [give] { give(std::nullopt); });
    limit->setSingleShot(true);
    limit->start(limitMs);
    watcher->setFuture(answer);
}

// The answer, awaited `limitMs` at most in an event loop that keeps the
// windows drawn and the timers running; the user's input and the stop signals
// wait for its end. With `closable`, they do not: that dialog's closing (its
// Cancel, Escape, the close box, a stop signal) ends the wait at once, with
// no answer, and the caller disables meanwhile what else could be acted on.
template <class T>
std::optional<T> WaitForAnswer(const QFuture<T>& answer, int limitMs = kAnswerLimitMs,
                               QDialog* closable = nullptr) {
    std::optional<T> result;
    QEventLoop loop;
    OnAnswer(
        answer, &loop,
        [&result, &loop](std::optional<T> given) {
            result = std::move(given);
            loop.quit();
        },
        limitMs);
    if (closable) QObject::connect(closable, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(closable ? QEventLoop::AllEvents
                       : QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    return result;
}

// The answer of `question`, asked aside and awaited as WaitForAnswer does, or
// `otherwise` when none came in time.
template <class F>
std::invoke_result_t<F> AnswerInTime(F question, std::invoke_result_t<F> otherwise,
                                     int limitMs = kAnswerLimitMs) {
    return WaitForAnswer(AskAside(std::move(question)), limitMs).value_or(std::move(otherwise));
}
