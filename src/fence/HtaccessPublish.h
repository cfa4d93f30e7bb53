#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>

class cFTP;

namespace sf::fence {

// The site's .htaccess with the fence block put in: the block between "# BEGIN Spiderfence" and
// "# END Spiderfence" replaced, or the block appended when there is none. Every other byte stays as
// it was; the block takes the file's line ends (CR LF when the file has them).
QByteArray mergeHtaccess(const QByteArray& existing, const QByteArray& block);

// What a publish replaced, to put back.
struct HtaccessPublished {
    QString remotePath;                 // the .htaccess at the top of the site folder
    std::optional<QByteArray> previous; // the replaced file; none when there was none
    QByteArray sent;
};

// Reads "<siteFolder>/.htaccess" (if any) over the connected session, merges the block in, and
// publishes it as robots.txt is published (a temporary name, the size checked, a rename), in binary
// mode so that its line ends stay as they are. keptCopy, when given, receives the replaced file.
Result<HtaccessPublished> publishHtaccess(cFTP& ftp, const QString& siteFolder, const QByteArray& block,
                                          const QString& keptCopy = {});
// Puts the replaced file back (or removes the published one when there was none).
Result<void> restoreHtaccess(cFTP& ftp, const HtaccessPublished& published);

} // namespace sf::fence
