#pragma once

#include "base/Protocol.h"
#include "base/Result.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace sf {

// The header record of a project file.
struct ProjectHeader {
    static constexpr int kHeaderTextWidth = 150;
    static constexpr int kUploadDirectoryWidth = 150;
    static constexpr int kServerWidth = 150;
    static constexpr int kPortWidth = 15;
    static constexpr int kUserWidth = 75;
    static constexpr int kPasswordWidth = 75;
    static constexpr int kKeyFileWidth = 400;

    QString headerText;
    // No command changes it: it carries what the last opened project held, NUL characters before that.
    QString uploadDirectory = QString(kUploadDirectoryWidth, QChar(0));
    QString server;
    QString port;
    QString user;
    QString password;
    qint16 binaryTransfer = 0; // -1 = binary, anything else ASCII
    qint16 activeMode = 0;     // -1 = active, anything else passive
    // Kept in the bytes that older versions leave unused; all-zero bytes read as these defaults.
    ftp::Protocol protocol = ftp::Protocol::Ftp;
    ftp::TrustPolicy trust = ftp::TrustPolicy::Ask;
    QString keyFile;              // SFTP private key; empty: log in with the password
    bool rememberPassword = true; // false: the password field stays empty, the secret store keeps it
};

// Project files (".sfp"): 1234-byte slots; slot 1 the header, slot k >= 2 grid row k - 1. Row 0 (the
// rule line) is not stored. Text is Windows-1252, space-padded; integers little-endian.
//
// Slot 1, the header record:
//   offset  size  content
//        0   150  header text
//      150   150  upload directory
//      300   150  server
//      450    15  port
//      465    75  user
//      540    75  password (written empty when the password is not remembered)
//      615     2  binary-transfer flag (-1 binary)
//      617     2  active-mode flag (-1 active)
//   Added later, in bytes older versions write as zeros and never read:
//      619     1  protocol: 0 FTP, 1 FTP over TLS (explicit), 2 FTPS (implicit), 3 SFTP
//      620     1  trust: 0 ask about an unknown certificate or host key, 1 refuse it
//      621     1  password: 0 remembered in the file, 1 kept in the desktop's secret store
//      622     2  zero
//      624   400  SFTP private key file, UTF-8, NUL-padded; empty: password login
//     1024   210  unused (zeros)
// Zero in all the added bytes is a plain FTP project whose password is in the file, as before.
namespace ProjectFile {

inline constexpr int kSlotSize = 1234;
inline constexpr int kLineWidth = 617;

struct Contents {
    ProjectHeader header;
    QStringList rows; // grid rows, row 0 the rule line
};

// The name of the first header field whose text Windows-1252 cannot hold (it would be saved with
// "?" in its place), for the user; empty when every field can be stored.
QString unstorableField(const ProjectHeader& header);

// Reads a project. A short or empty device yields an empty project with the rule line only; a
// partial last slot reads its missing bytes as spaces.
Result<void> read(QIODevice& device, Contents& contents);
Result<void> write(QIODevice& device, const ProjectHeader& header, const QStringList& rows);

// Whole-file versions: the save replaces the file only once everything is written.
Result<void> load(const QString& path, Contents& contents);
Result<void> save(const QString& path, const ProjectHeader& header, const QStringList& rows);

} // namespace ProjectFile
} // namespace sf
