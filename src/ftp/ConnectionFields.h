#pragma once

#include "base/Protocol.h"

#include <QString>

namespace sf {

// The connection fields of a project as the window shows them: server, user, password and port,
// the protocol, and the SFTP key file (whose passphrase is the password field).
struct ConnectionFields {
    QString server;
    QString user;
    QString password;
    QString port;
    ftp::Protocol protocol = ftp::Protocol::Ftp;
    QString keyFile;
};

} // namespace sf
