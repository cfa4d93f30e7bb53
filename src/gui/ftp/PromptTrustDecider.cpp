#include "gui/ftp/PromptTrustDecider.h"

#include "gui/common/Prompt.h"

namespace sf {

ftp::TrustAnswer PromptTrustDecider::askTrust(const QString& question)
{
    switch (prompts().message(question, Prompt::Buttons::Trust, Prompt::Icon::Warning)) {
    case Prompt::Answer::Always:
        return ftp::TrustAnswer::Always;
    case Prompt::Answer::ThisTime:
        return ftp::TrustAnswer::ThisTime;
    default:
        return ftp::TrustAnswer::No;
    }
}

void PromptTrustDecider::warnRefused(const QString& warning)
{
    prompts().message(warning, Prompt::Buttons::Ok, Prompt::Icon::Critical);
}

} // namespace sf
