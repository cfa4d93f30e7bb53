#pragma once

#include <QString>
#include <QStringList>

class QTreeWidget;

namespace sf {

// The remote list's marks for one robot: each entry the robot may not crawl under the grid's rules
// is greyed, with the deciding line in its tooltip; the others are shown as usual. Folders are
// checked as the crawler requests them, with a final "/".
void markCrawlableEntries(QTreeWidget* list, const QString& directory, const QString& userAgent,
                          const QStringList& gridRows);

} // namespace sf
