#pragma once

#include "ftp/TrustDecider.h"

namespace sf {

// Asks the user about a certificate or host key through the program's prompt: Always, This time
// or No, and shows the warning when a remembered one has changed.
class PromptTrustDecider : public ftp::TrustDecider {
public:
    ftp::TrustAnswer askTrust(const QString& question) override;
    void warnRefused(const QString& warning) override;
};

} // namespace sf
