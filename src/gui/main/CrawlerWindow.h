#pragma once

#include <QStringList>

namespace sf {

// What the commands on a site's robots.txt and its crawlers need of their window: the states, the
// rule grid's rows and the modified mark.
class CrawlerWindow {
public:
    virtual ~CrawlerWindow() = default;

    virtual bool isProjectOpen() const = 0;
    virtual bool isConnected() const = 0;
    virtual const QStringList& gridRows() const = 0;
    virtual void setGridRows(const QStringList& rows) = 0;
    virtual bool SetModified(bool modified) = 0;
};

} // namespace sf
