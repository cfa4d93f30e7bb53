#pragma once

// What the FTP benchmarks share: a server ("site") reached over one protocol, and cFTP next to the
// curl command-line tool on it, in the same run:
//  - listing a folder of kEntries entries (MLSD where cFTP uses it, else LIST; SFTP's long names);
//  - uploading a kUploadBytes robots.txt (FTPUploadFile, or PublishFile through a temporary name
//    and a rename; curl -T).
// curl starts a process and logs in every time; cFTP works on its open connection, so the
// ConnectAnd rows show cFTP connecting, changing folder and listing (or uploading), like a fresh
// curl. A ratio line per pair ends the run.
#include "base/Protocol.h"
#include "ftp/cFTP.h"

#include <QString>
#include <QStringList>

#include <string>

namespace sf::bench {

constexpr int kEntries = 20000;
constexpr int kUploadBytes = 500 * 1024;

struct Site {
    sf::ftp::Protocol protocol = sf::ftp::Protocol::Ftp;
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
    QString user;
    QString password;
    QString listDir;         // remote folder of kEntries entries; empty: no listing benchmarks
    QString uploadDir;       // remote folder that takes the upload
    bool publish = false;    // cFTP uploads through PublishFile, else FTPUploadFile
    QStringList curlOptions; // given to every curl command of this site
    cFTP ftp;
};

// Makes kEntries empty files in a local folder that a server shows.
bool makeEntries(const QString& folder);
// Registers the benchmarks of a site under names ending in "_" + name.
void registerSite(Site& site, const std::string& name);
// Runs the registered benchmarks (writing the upload source first) and prints the ratios of
// every registered site.
int runBenchmarks();

} // namespace sf::bench
