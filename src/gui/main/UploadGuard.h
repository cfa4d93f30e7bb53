#pragma once

#include <QByteArray>
#include <QString>

namespace sf {

class CrawlerWindow;
class FtpCommands;

// The check before every upload. First, when the grid keeps the main search crawlers (every robot
// of purpose "search engine" in the robot database, and "*") out of the whole site and the grid is
// not "Disallow all Robots", it stops with the crawlers and the deciding lines: Upload anyway or
// Cancel, Cancel by default. Then, unless the settings turn it off, it shows what the upload changes
// against the server's robots.txt at the top of the site folder, in every reading, at the URL paths
// crawlers request (UploadCheck::accessChanges): Upload or Cancel, Upload by default.
class UploadGuard {
public:
    UploadGuard(CrawlerWindow& window, FtpCommands& ftp) : m_window(window), m_ftp(ftp) {}

    // True when the upload may go on.
    bool check();
    // The same for a kept version of robots.txt put back: its bytes are the upload.
    bool check(const QByteArray& upload);

private:
    bool searchEnginesMayCome(const QByteArray& upload);
    bool changesConfirmed(const QByteArray& upload);
    QString changesText(const QByteArray& server, const QByteArray& upload);

    CrawlerWindow& m_window;
    FtpCommands& m_ftp;
};

} // namespace sf
