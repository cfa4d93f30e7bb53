#pragma once

#include <QString>
#include <QStringList>

class QTreeWidget;

namespace sf {

// The remote list's marks for one robot: each entry the robot may not crawl under the grid's rules
// is greyed, with the deciding line in its tooltip; the others are shown as usual. Folders are
// checked as the crawler requests them, with a final "/". With a site folder, the paths are those
// below it, and entries outside it carry no mark but the tooltip "outside the site".
void markCrawlableEntries(QTreeWidget* list, const QString& directory, const QString& userAgent,
                          const QStringList& gridRows, const QString& siteFolder = QString());

} // namespace sf
