#pragma once

#include "base/Protocol.h"

#include <QString>

namespace sf::ftp {

// Who answers for the user when a session meets a certificate or host key that nothing it knows
// vouches for. The session's owner passes one in (the main window's asks through its prompt); a
// session without one trusts nothing unknown.
class TrustDecider {
public:
    virtual ~TrustDecider() = default;
    // The question names the certificate or key and its fingerprint, and ends in "Trust this ...?".
    virtual TrustAnswer askTrust(const QString& question) = 0;
    // A remembered certificate or key has changed: the connection was refused, and this says so.
    virtual void warnRefused(const QString& warning) = 0;
};

} // namespace sf::ftp
