#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace sf {

class Inet;

// A download or the writing of its file fails with a Result<void> whose `error` says why, and whose
// `errorNumber` is the HTTP status for an error answer, the transfer's error number for a failed
// request, kFileInUseError when the target stayed held by a running program, or the file error
// otherwise.
inline constexpr int kFileInUseError = 75;
inline bool isFileInUse(const Result<void>& result)
{
    return !result.ok && result.errorNumber == kFileInUseError;
}

// The most a program file (or the help file) downloaded by an update may be.
inline constexpr qint64 kProgramDownloadLimit = qint64(256) * 1024 * 1024;

// Whether a finished transfer brought the whole body with a success (2xx) status: the answer said
// where its body ends and all of it arrived.
Result<void> CheckTransfer(const Inet& inet);

// Writes bytes as the whole new contents of target: into a temporary file in the same folder that
// then takes the old file's place, so a failure leaves the old file as it was. The file gets the
// permissions the user's umask gives a new file (with execute permission for an executable). With
// a backup path, the old file is kept there as well.
Result<void> ReplaceFile(const QString& target, const QByteArray& bytes, bool executable,
                         const QString& backup = {});
// Puts the backup back in the place of target; whether it worked.
bool RestoreBackup(const QString& target, const QString& backup);

// Looks at the new contents of a file before they replace the old ones: passes them, or fails with
// why not (for the user).
using ContentCheck = std::function<Result<void>(const QByteArray& body)>;
// An empty body never replaces a file; other bodies go to the check, when there is one.
Result<void> CheckContent(const QByteArray& body, const ContentCheck& check);

// True while a running program holds the file, so that it cannot be opened for writing.
bool FileInUse(const QString& path);

// Waits, letting events run, until the file is free; checks every half second, at most `checks`
// times. Returns whether it is free.
bool WaitUntilFree(const QString& path, int checks);

// Reads the rest of the body of a finished transfer as the download windows do, chunk by chunk
// of chunkSize: after every full chunk chunkRead(bytes so far) runs (it moves a progress bar, and
// returns false to stop), and window events run in between, at least every 10 ms (the window stays
// just as responsive, without an event round for each of thousands of small chunks). Gives the
// body, or nothing when stopped.
std::optional<QByteArray> ReadBodyInChunks(Inet& inet, int chunkSize,
                                           const std::function<bool(qint64)>& chunkRead);

// Starts a GET of url and lets the thread's events run until the transfer has ended, telling
// progress (when set) the bytes received so far as they come; false, with nothing started, when
// another transfer of the control is running.
[[nodiscard]] bool RunGet(Inet& inet, const QString& url, const std::function<void(qint64)>& progress);

// A whole download through the control: GET of url, letting events run until the body has arrived
// (progress receives the bytes so far), then CheckTransfer, CheckContent and ReplaceFile.
Result<void> DownloadFile(Inet& inet, const QString& url, const QString& target, bool executable,
                          const std::function<void(qint64)>& progress = {}, const ContentCheck& check = {});

} // namespace sf
