#pragma once

#include <QString>

namespace sf {

// The addresses of the maker's hosts (scheme, host and optional port, no trailing "/"): the build's
// defaults, each replaced at run time by its environment variable when that is set and not empty.
QString WebServiceUrl();     // SPIDERFENCE_WEB_SERVICE_URL; web functions live under "/webfunction/"
QString DownloadUrl();       // SPIDERFENCE_DOWNLOAD_URL; files live under "/files/"
QString SiteUrl();           // SPIDERFENCE_SITE_URL
QString SubmissionSiteUrl(); // SPIDERFENCE_SUBMISSION_SITE_URL

// The full address of a web function ("spiderfenceversion.asp") and of a downloadable file.
QString WebFunctionUrl(const QString& function);
QString DownloadFileUrl(const QString& fileName);

} // namespace sf
