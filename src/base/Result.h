#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace sf {

// The outcome of an operation that can fail with a message for the user: ok, with a value when the
// operation gives one, or not ok with the reason in `error` (and, where a caller tells failures
// apart, a number in `errorNumber`). Readers, writers, downloads and sessions answer with it.
// Result<void> carries no value; Result<T> carries a T exactly when it is ok.
template <typename T = void> class Result;

template <> class [[nodiscard]] Result<void> {
public:
    bool ok = true;
    QString error;
    int errorNumber = 0; // 0: no number, or none that a caller tells apart

    static Result failure(const QString& text, int number = 0) { return {false, text, number}; }
    explicit operator bool() const { return ok; }
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : ok(true), m_value(std::move(value)) {}
    // A failure handed on as it is, its reason and number kept; only failures convert.
    Result(const Result<void>& failed) : ok(false), error(failed.error), errorNumber(failed.errorNumber)
    {
        if (failed.ok)
            error = QStringLiteral("internal error: a success without its value");
    }

    static Result failure(const QString& text, int number = 0) { return Result<void>::failure(text, number); }

    bool ok;
    QString error;
    int errorNumber = 0;

    explicit operator bool() const { return ok; }
    // The value; only to be asked for when ok.
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    // The outcome without the value: for a caller that hands the reason on.
    Result<void> status() const { return {ok, error, errorNumber}; }

private:
    std::optional<T> m_value;
};

} // namespace sf
