#include "transfer/ServiceUrls.h"

#include "sf_version.h"

#include <QtGlobal>

namespace sf {
namespace {

QString baseUrl(const char* variable, const char* fallback)
{
    QString url = qEnvironmentVariable(variable).trimmed();
    if (url.isEmpty())
        url = QString::fromUtf8(fallback);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

} // namespace

QString WebServiceUrl()
{
    return baseUrl("SPIDERFENCE_WEB_SERVICE_URL", SF_WEB_SERVICE_URL);
}
QString DownloadUrl()
{
    return baseUrl("SPIDERFENCE_DOWNLOAD_URL", SF_DOWNLOAD_URL);
}
QString SiteUrl()
{
    return baseUrl("SPIDERFENCE_SITE_URL", SF_SITE_URL);
}
QString SubmissionSiteUrl()
{
    return baseUrl("SPIDERFENCE_SUBMISSION_SITE_URL", SF_SUBMISSION_SITE_URL);
}

QString WebFunctionUrl(const QString& function)
{
    return WebServiceUrl() + QStringLiteral("/webfunction/") + function;
}
QString DownloadFileUrl(const QString& fileName)
{
    return DownloadUrl() + QStringLiteral("/files/") + fileName;
}

} // namespace sf
