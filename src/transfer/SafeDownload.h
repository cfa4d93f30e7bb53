#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace sf {

class Inet;

// The outcome of a download or of writing its file: a Result<void> (not ok until the file is in place)
// whose `error` says why, with `errorNumber`: the HTTP status for an error answer, the transfer's
// error number for a failed request, FileInUseError when the target stayed held by a running
// program (`inUse`), or the file error otherwise.
struct DownloadResult : Result<void> {
    static constexpr int FileInUseError = 75;

    DownloadResult() : Result<void>{false, {}} {}
    // The refusal of a download's contents: not ok, for the same reason, with no number.
    explicit DownloadResult(const Result<void>& refusal) : Result<void>{false, refusal.error} {}
    bool inUse = false;
    int errorNumber = 0;
};

// Whether a finished transfer brought the whole body with a success (2xx) status: the answer said
// where its body ends and all of it arrived.
DownloadResult CheckTransfer(const Inet& inet);

// Writes bytes as the whole new contents of target: into a temporary file in the same folder that
// then takes the old file's place, so a failure leaves the old file as it was. The file gets the
// permissions the user's umask gives a new file (with execute permission for an executable). With
// a backup path, the old file is kept there as well.
DownloadResult ReplaceFile(const QString& target, const QByteArray& bytes, bool executable,
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

// A whole download through the control: GET of url, letting events run until the body has arrived
// (progress receives the bytes so far), then CheckTransfer, CheckContent and ReplaceFile.
DownloadResult DownloadFile(Inet& inet, const QString& url, const QString& target, bool executable,
                            const std::function<void(qint64)>& progress = {}, const ContentCheck& check = {});

} // namespace sf
