#include "online/Desktop.h"

#include "base/FileUtils.h"
#include "base/VersionInfo.h"
#include "transfer/ServiceUrls.h"

#include <QDir>

namespace sf {
namespace {

class SilentDesktop final : public Desktop {
public:
    bool openUrl(const QUrl&) override { return false; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
};

SilentDesktop g_silent;
Desktop* g_current = &g_silent;

} // namespace

Desktop& Desktop::instance()
{
    return *g_current;
}

void Desktop::setInstance(Desktop* desktop)
{
    g_current = desktop ? desktop : &g_silent;
}

QString ProductPageUrl()
{
    return SiteUrl() + QStringLiteral("/spiderfence?q=spiderfence");
}

QString SubmissionSitePageUrl()
{
    return SubmissionSiteUrl() + QStringLiteral("/?q=spiderfence");
}

QString RegistrationPageUrl()
{
    return SubmissionSiteUrl() + QStringLiteral("/robots/mavix/join_spiderfence/");
}

void OpenWebPage(const QString& address)
{
    desktop().openUrl(QUrl(address));
}

void OpenHelpFile()
{
    const QString helpFile = ProgramPath(QStringLiteral("spiderfence.chm"));
#ifdef Q_OS_WIN
    // The Windows directory is read again at every use.
    desktop().startProgram(WindowsDirectory() + QStringLiteral("\\HH.exe"), {helpFile});
#else
    desktop().openUrl(QUrl::fromLocalFile(helpFile));
#endif
}

} // namespace sf
