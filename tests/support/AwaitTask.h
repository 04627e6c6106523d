#pragma once

#include <QCoroTask>
#include <QTimer>
#include <QtGlobal>

#include <chrono>
#include <exception>
#include <optional>
#include <type_traits>

// Runs a backend coroutine to completion in a nested event loop (QCoro::waitFor) and hands back
// its value or the exception it threw. A coroutine that has not finished after `guard` ends the
// test process instead of hanging it.
namespace AwaitTask {

struct Unit
{
};

template <typename T> struct Outcome
{
    using Value = std::conditional_t<std::is_void_v<T>, Unit, T>;
    std::optional<Value> value;
    std::exception_ptr error;

    // The error as `E`, or nothing when it finished otherwise.
    template <typename E> std::optional<E> errorAs() const
    {
        if (!error) {
            return std::nullopt;
        }
        try {
            std::rethrow_exception(error);
        } catch (const E& caught) {
            return caught;
        } catch (...) {
        }
        return std::nullopt;
    }
};

template <typename T> QCoro::Task<Outcome<T>> capture(QCoro::Task<T> task)
{
    Outcome<T> outcome;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            outcome.value = Unit {};
        } else {
            outcome.value = co_await task;
        }
    } catch (...) {
        outcome.error = std::current_exception();
    }
    co_return outcome;
}

template <typename T>
Outcome<T> run(QCoro::Task<T>&& task, std::chrono::milliseconds guard = std::chrono::seconds(20))
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("a coroutine did not finish in time"); });
    watchdog.start(guard);
    return QCoro::waitFor(capture(std::move(task)));
}

} // namespace AwaitTask
