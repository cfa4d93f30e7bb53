#include "online/StartupUpdateCheck.h"

#include "base/SharedState.h"
#include "online/UpdateCheck.h"
#include "transfer/Inet.h"
#include "transfer/ServiceUrls.h"

#include <limits>

namespace sf {

StartupUpdateCheck::StartupUpdateCheck(QObject* parent) : QObject(parent), m_inet(new Inet(this))
{
    connect(m_inet, &Inet::StateChanged, this, &StartupUpdateCheck::onStateChanged);
}

void StartupUpdateCheck::start()
{
    if (isRunning())
        return;
    m_inet->SetRequestTimeout(60);
    m_inet->Execute(WebFunctionUrl(QStringLiteral("spiderfenceversion.asp")), QStringLiteral("GET"));
}

bool StartupUpdateCheck::isRunning() const
{
    return m_inet->StillExecuting();
}

void StartupUpdateCheck::onStateChanged(int state)
{
    if (state != Inet::ResponseCompleted || m_inet->StillExecuting())
        return;
    const VersionPageResult read = VersionPageOf(*m_inet, m_inet->GetChunk(std::numeric_limits<int>::max()));
    if (!read.page)
        return;
    const ComponentVersions here{ProgramVersionText(), RobotListVersion, InstalledRenewkitVersion()};
    if (CompareVersions(here, read.page->versions).any())
        emit updateAvailable();
}

} // namespace sf
