#include "online/UpdateCheck.h"

#include "app/util/FileUtils.h"
#include "online/WebFunction.h"
#include "online/transfer/Inet.h"
#include "online/transfer/ServiceUrls.h"

#include "sf_version.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace sf {
namespace {

constexpr int kVersionFields = 9;
constexpr qint64 kChunkSize = 256;

} // namespace

QString ProgramVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(SF_VERSION_MAJOR).arg(SF_VERSION_MINOR).arg(SF_VERSION_REVISION);
}

std::optional<ComponentVersions> ParseVersionReply(const QString& reply)
{
    QString text = reply;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() < kVersionFields)
        return std::nullopt;
    const auto joined = [&fields](int first) {
        return fields.at(first) + QLatin1Char('.') + fields.at(first + 1) + QLatin1Char('.') +
               fields.at(first + 2);
    };
    return ComponentVersions{joined(0), joined(3), joined(6)};
}

std::optional<ComponentVersions> FetchOnlineVersions(Inet& inet)
{
    const QString reply = RunWebFunction(inet, QStringLiteral("spiderfenceversion.asp"));
    // An error page is no version page, whatever it holds.
    if (!CheckTransfer(inet).ok)
        return std::nullopt;
    return ParseVersionReply(reply);
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
    return {QStringLiteral("robots.rbd"), QStringLiteral("robots.rbd"), 100, false};
}

Component RenewkitComponent()
{
    return {QStringLiteral("renewkit.exe"), ExecutableName(QStringLiteral("renewkit")), 28, true};
}

Component HelpFileComponent()
{
    return {QStringLiteral("spiderfence.chm"), QStringLiteral("spiderfence.chm"), 30, false};
}

int ProgressKilobytes(qint64 bytes, int maximum)
{
    const double kb = std::nearbyint(static_cast<double>(bytes) / 1024.0);
    return static_cast<int>(std::min(kb, static_cast<double>(maximum)));
}

DownloadResult DownloadComponent(Inet& inet, const Component& component,
                                 const std::function<void(int kb)>& progressKB)
{
    inet.SetRequestTimeout(60);
    return DownloadFile(inet, DownloadFileUrl(component.remoteName), ProgramPath(component.localName),
                        component.executable, [&](qint64 bytes) {
                            const qint64 whole = bytes / kChunkSize * kChunkSize;
                            if (whole > 0 && progressKB)
                                progressKB(ProgressKilobytes(whole, component.expectedKB));
                        });
}

} // namespace sf
