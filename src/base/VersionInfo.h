#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace sf {

// Reads the version resource of an executable (a PE file's resource or an ELF file's ".sfversion"
// section) and fills VersionResourceBuffer, VersionLanguage and ProductVersionText (base/SharedState.h).
// Returns whether it holds a non-blank "ProductVersion". A file without a resource, or one without a
// translation, returns false and changes nothing.
bool GetVersionInfo(const QString& path);
// The value of key ("ProductVersion", "FileDescription", ...) in the last resource read: up to
// its first NUL, at most 128 characters; "" when it is not there.
QString GetVersionString(const QString& key);
// The Windows directory; on other systems, where there is none, an empty text.
QString WindowsDirectory();

// The version numbers of a file: from its fixed file information, or else from its "FileVersion" text.
struct FileVersionNumbers {
    int major = 0;
    int minor = 0;
    int revision = 0;
    int build = 0;
    // "major.minor.revision", as the program shows its release.
    QString release() const;
};
std::optional<FileVersionNumbers> GetFileVersionNumbers(const QString& path);
// The numbers of the running program's own executable.
std::optional<FileVersionNumbers> RunningProgramVersion();

} // namespace sf
