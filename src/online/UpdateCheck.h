#pragma once

#include "transfer/SafeDownload.h"
#include "transfer/VersionPage.h"

#include <QString>

#include <functional>
#include <optional>

namespace sf {

class Inet;

// The running program's version as the windows show and send it: major "." minor "." revision.
QString ProgramVersionText();

// The version of Renewkit in the program folder, empty when it cannot be read.
QString InstalledRenewkitVersion();

// Which parts differ between the local and the online versions (exact, case-sensitive comparison).
struct UpdateNeeds {
    bool program = false;
    bool robotList = false;
    bool renewkit = false;
    bool any() const { return program || robotList || renewkit; }
};
UpdateNeeds CompareVersions(const ComponentVersions& local, const ComponentVersions& online);

// A file that "Update now!" downloads: its name under "/files/" on the download host, the name it
// gets in the program folder, the progress bar's maximum in kilobytes, whether it is a program, and
// the most bytes its download may bring (a larger answer fails and replaces nothing).
struct Component {
    QString remoteName;
    QString localName;
    int expectedKB = 0;
    bool executable = false;
    qint64 maxBytes = 0;
};
// The limits: a robot database as large as its format allows, Renewkit and the help file
// kProgramDownloadLimit.
Component RobotDatabaseComponent(); // "robots.rbd", 100 KB
Component RenewkitComponent();      // "renewkit.exe" (the platform's executable name locally), 28 KB
Component HelpFileComponent();      // "spiderfence.chm", 30 KB

// The progress of a download in whole kilobytes (a half to the even one), at most maximum.
int ProgressKilobytes(qint64 bytes, int maximum);

// Whether bytes are a robot database that may replace robots.rbd, or why not: at least one record,
// no record cut short, and every record a robot of a known category.
Result<void> CheckRobotDatabase(const QByteArray& bytes);

// What a component's new contents must be: the hash the version page gives for it, and for the
// robot database a readable database, for Renewkit a program of the announced version.
ContentCheck ComponentContentCheck(const Component& component, const VersionPage& page);

// Downloads a component into the program folder through the download control. The old file is
// replaced only when the whole body arrived with a 2xx status and passes the check (its
// ComponentContentCheck, for one). progressKB receives the kilobytes of the whole 256-byte chunks
// received so far, once at least one has arrived.
Result<void> DownloadComponent(Inet& inet, const Component& component, const ContentCheck& check,
                               const std::function<void(int kb)>& progressKB);

} // namespace sf
