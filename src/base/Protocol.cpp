#include "base/Protocol.h"

#include <QCoreApplication>

namespace sf::ftp {

int defaultPort(Protocol protocol)
{
    switch (protocol) {
    case Protocol::FtpsImplicit:
        return 990;
    case Protocol::Sftp:
        return 22;
    default:
        return 21;
    }
}

QString protocolCaption(Protocol protocol)
{
    switch (protocol) {
    case Protocol::FtpExplicit:
        return QCoreApplication::translate("Protocol", "FTP over TLS (explicit)");
    case Protocol::FtpsImplicit:
        return QCoreApplication::translate("Protocol", "FTPS (implicit)");
    case Protocol::Sftp:
        return QCoreApplication::translate("Protocol", "SFTP");
    default:
        return QCoreApplication::translate("Protocol", "FTP");
    }
}

Protocol protocolFromNumber(int number)
{
    return number >= 0 && number <= static_cast<int>(kLastProtocol) ? static_cast<Protocol>(number)
                                                                    : Protocol::Ftp;
}

} // namespace sf::ftp
