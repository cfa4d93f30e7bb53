#include "online/StartupUpdateCheck.h"

#include "base/SharedState.h"
#include "online/UpdateCheck.h"
#include "transfer/Inet.h"
#include "transfer/ServiceUrls.h"
#include "transfer/VersionPage.h"

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
    m_ended = false;
    m_inet->SetRequestTimeout(60);
    m_inet->SetBodyLimit(kVersionPageLimit);
    m_inet->Execute(WebFunctionUrl(QStringLiteral("spiderfenceversion.asp")), QStringLiteral("GET"));
}

bool StartupUpdateCheck::isRunning() const
{
    return m_inet->StillExecuting();
}

void StartupUpdateCheck::onStateChanged(int state)
{
    if (m_inet->StillExecuting())
        return;
    if (state == Inet::ResponseCompleted && foundUpdate())
        emit updateAvailable();
    m_ended = true;
}

bool StartupUpdateCheck::foundUpdate() const
{
    const Result<VersionPage> read =
        VersionPageOf(*m_inet, m_inet->GetChunk(std::numeric_limits<int>::max()));
    if (!read)
        return false;
    const ComponentVersions here{ProgramVersionText(), RobotListVersion, InstalledRenewkitVersion()};
    return CompareVersions(here, read->versions).any();
}

} // namespace sf
