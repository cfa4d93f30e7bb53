#pragma once

#include "online/transfer/SafeDownload.h"

#include <QString>

#include <functional>
#include <optional>

namespace sf {

class Inet;

// The running program's version as the windows show and send it: major "." minor "." revision.
QString ProgramVersionText();

// The versions of the three downloadable parts of the program, as texts ("1.2.0", "1.00.0016"):
// they are compared as they are written, never as numbers.
struct ComponentVersions {
    QString program;
    QString robotList;
    QString renewkit;
};

// The versions announced by the version page "spiderfenceversion.asp": nine fields separated by ","
// (program, robot list and Renewkit, three parts each), joined with "." per part. Fields after the
// ninth are ignored; a line ending after the last field is not part of it. A reply with fewer than
// nine fields holds no versions.
std::optional<ComponentVersions> ParseVersionReply(const QString& reply);

// Asks the web service for the current versions through the window's transfer control. Nothing
// when no reply came, the service answered with an error status, or the reply holds no versions.
std::optional<ComponentVersions> FetchOnlineVersions(Inet& inet);

// Which parts differ between the local and the online versions (exact, case-sensitive comparison).
struct UpdateNeeds {
    bool program = false;
    bool robotList = false;
    bool renewkit = false;
    bool any() const { return program || robotList || renewkit; }
};
UpdateNeeds CompareVersions(const ComponentVersions& local, const ComponentVersions& online);

// A file that "Update now!" downloads: its name under "/files/" on the download host, the name it
// gets in the program folder, the progress bar's maximum in kilobytes, and whether it is a program.
struct Component {
    QString remoteName;
    QString localName;
    int expectedKB = 0;
    bool executable = false;
};
Component RobotDatabaseComponent(); // "robots.rbd", 100 KB
Component RenewkitComponent();      // "renewkit.exe" (the platform's executable name locally), 28 KB
Component HelpFileComponent();      // "spiderfence.chm", 30 KB

// The progress of a download in whole kilobytes (a half to the even one), at most maximum.
int ProgressKilobytes(qint64 bytes, int maximum);

// Downloads a component into the program folder through the download control. The old file is
// replaced only when the whole body arrived with a 2xx status. progressKB receives the kilobytes of
// the whole 256-byte chunks received so far, once at least one has arrived.
DownloadResult DownloadComponent(Inet& inet, const Component& component,
                                 const std::function<void(int kb)>& progressKB);

} // namespace sf
