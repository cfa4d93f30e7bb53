#pragma once

#include "base/Result.h"

#include <QString>

#include <functional>

class QIODevice;

namespace sf {

// The one way the program writes a file whole or not at all: `write` fills a temporary file beside
// `path`, which replaces the old file only when `write` succeeded and every byte was written; else
// the old file stays as it was and the result says why.
using FileWriter = std::function<Result<void>(QIODevice& file)>;
Result<void> SaveFileAtomically(const QString& path, const FileWriter& write);
Result<void> SaveFileAtomically(const QString& path, const QByteArray& bytes);
// For a writer of a large file: asks the system to start putting what was written to `file` so far
// on the disk, without waiting for it, so that the sync before the file replaces the old one has
// less left to wait for. Does nothing for a device that is not a file.
void StartWriteBack(QIODevice& file);

bool FileExists(const QString& path);
// The length in bytes, or 0 when it cannot be read.
qint32 FileLength(const QString& path);
// The last n components of a path (separator: the platform's).
QString PathTail(const QString& path, qint32 n);
// The file name of a path, with or without its extension.
QString FileTitle(const QString& path, bool keepExtension);

// The program's folder (where the programs and the shipped robots.rbd live; see InstallMode.h for
// where the user's robots.rbd and temp.txt go), and a file in it
// joined with the native separator.
QString ProgramDirectory();
QString ProgramPath(const QString& name);
// Points the program's folder elsewhere (tests use a temporary folder); empty restores the real one.
void SetProgramDirectory(const QString& directory);
// The executable name of a program of this suite on this platform ("spiderfence" -> "spiderfence.exe" on
// Windows).
QString ExecutableName(const QString& baseName);

// Counts fixed-size records in a file length: rounded to the nearest whole number, a half to the even one.
qint64 RecordCount(qint64 fileLength, qint64 recordSize);

} // namespace sf
