#pragma once

#include <QString>

namespace sf {

// The outcome of an operation that can fail with a message for the user: ok, or not ok with the
// reason in `error`. Readers, writers, downloads and sessions answer with it.
struct Result {
    bool ok = true;
    QString error;

    static Result failure(const QString& text) { return {false, text}; }
    explicit operator bool() const { return ok; }
};

} // namespace sf
