#pragma once

#include <QString>

namespace sf::ftp {

// The ways a session reaches a server. The numbers are stored in project files: never reuse one.
enum class Protocol : quint8 {
    Ftp = 0,          // plain FTP
    FtpExplicit = 1,  // FTP over TLS: AUTH TLS on the FTP port
    FtpsImplicit = 2, // FTPS: TLS from the first byte
    Sftp = 3,         // SSH file transfer
};

inline constexpr Protocol kLastProtocol = Protocol::Sftp;

// The port a protocol listens on when nothing else is said: 21, 21, 990, 22.
int defaultPort(Protocol protocol);
// The captions of the protocol choice, in the order of the enum.
QString protocolCaption(Protocol protocol);
// A stored number as a protocol; anything unknown is plain FTP.
Protocol protocolFromNumber(int number);

inline bool usesTls(Protocol protocol)
{
    return protocol == Protocol::FtpExplicit || protocol == Protocol::FtpsImplicit;
}

// What the session does with a certificate or host key that nothing it knows vouches for.
enum class TrustPolicy : quint8 {
    Ask = 0,    // ask the user (the default)
    Refuse = 1, // refuse without asking: only the system's roots and remembered keys count
};

// The user's answer to "Trust this certificate?" (or host key).
enum class TrustAnswer { Always, ThisTime, No };

} // namespace sf::ftp
