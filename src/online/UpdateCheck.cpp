#include "online/UpdateCheck.h"

#include "base/FileUtils.h"
#include "base/SharedState.h"
#include "base/VersionInfo.h"
#include "robots/RobotDatabase.h"
#include "transfer/ComponentCheck.h"
#include "transfer/Inet.h"
#include "transfer/ServiceUrls.h"

#include "sf_version.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace sf {
namespace {

constexpr qint64 kChunkSize = 256;

} // namespace

QString ProgramVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(SF_VERSION_MAJOR).arg(SF_VERSION_MINOR).arg(SF_VERSION_REVISION);
}

QString InstalledRenewkitVersion()
{
    // Never the version of another file: GetVersionInfo keeps the last one it read when it fails.
    return GetVersionInfo(ProgramPath(ExecutableName(QStringLiteral("renewkit")))) ? ProductVersionText
                                                                                   : QString();
}

UpdateNeeds CompareVersions(const ComponentVersions& local, const ComponentVersions& online)
{
    UpdateNeeds needs;
    needs.program = local.program.compare(online.program, Qt::CaseSensitive) != 0;
    needs.robotList = local.robotList.compare(online.robotList, Qt::CaseSensitive) != 0;
    needs.renewkit = local.renewkit.compare(online.renewkit, Qt::CaseSensitive) != 0;
    return needs;
}

Component RobotDatabaseComponent()
{
    return {QStringLiteral("robots.rbd"), QStringLiteral("robots.rbd"), 100, false,
            qint64(kMaxRobotRecords) * RobotRecord::kSlotSize};
}

Component RenewkitComponent()
{
    return {QStringLiteral("renewkit.exe"), ExecutableName(QStringLiteral("renewkit")), 28, true,
            kProgramDownloadLimit};
}

Component HelpFileComponent()
{
    return {QStringLiteral("spiderfence.chm"), QStringLiteral("spiderfence.chm"), 30, false,
            kProgramDownloadLimit};
}

int ProgressKilobytes(qint64 bytes, int maximum)
{
    const double kb = std::nearbyint(static_cast<double>(bytes) / 1024.0);
    return static_cast<int>(std::min(kb, static_cast<double>(maximum)));
}

Result<void> CheckRobotDatabase(const QByteArray& bytes)
{
    constexpr qint64 kSlot = RobotRecord::kSlotSize;
    const qint32 count = RobotDatabase::countRecords(bytes.size());
    // Every record whole: at least its data bytes, nothing beyond its slot.
    const qint64 lastSlot = bytes.size() - (count - 1) * kSlot;
    if (count < 1 || count > kMaxRobotRecords || lastSlot < RobotRecord::kDataSize || lastSlot > kSlot)
        return Result<void>::failure(
            QCoreApplication::translate("UpdateCheck", "The file is not a robot database"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    qint32 unreadable = 0;
    const Result<void> read = RobotDatabase::readRecords(buffer, [&unreadable](qint32 n, const char* data) {
        const RobotRecord record = RobotRecord::fromData(data);
        if (record.Robot_name.isEmpty() || !isRobotCategory(record.Robot_category))
            unreadable = unreadable ? unreadable : n;
    });
    if (!read || !unreadable)
        return read;
    return Result<void>::failure(
        QCoreApplication::translate("UpdateCheck", "Record %1 of the robot database cannot be read")
            .arg(unreadable));
}

ContentCheck ComponentContentCheck(const Component& component, const VersionPage& page)
{
    return [component, page](const QByteArray& bytes) {
        if (Result<void> hash = CheckAnnouncedHash(bytes, page, component.remoteName); !hash)
            return hash;
        if (component.remoteName == RobotDatabaseComponent().remoteName)
            return CheckRobotDatabase(bytes);
        if (component.remoteName == RenewkitComponent().remoteName)
            return CheckExecutable(bytes, page.versions.renewkit);
        return Result<void>{};
    };
}

Result<void> DownloadComponent(Inet& inet, const Component& component, const ContentCheck& check,
                               const std::function<void(int kb)>& progressKB)
{
    inet.SetRequestTimeout(60);
    inet.SetBodyLimit(component.maxBytes);
    return DownloadFile(
        inet, DownloadFileUrl(component.remoteName), ProgramPath(component.localName), component.executable,
        [&](qint64 bytes) {
            const qint64 whole = bytes / kChunkSize * kChunkSize;
            if (whole > 0 && progressKB)
                progressKB(ProgressKilobytes(whole, component.expectedKB));
        },
        check);
}

} // namespace sf
