#include "gui/online/LiveCheckCommand.h"

#include "gui/common/Prompt.h"

namespace sf {

LiveCheckCommand::LiveCheckCommand(QObject* parent) : QObject(parent)
{
    connect(&m_fetch, &online::LiveFetch::finished, this, &LiveCheckCommand::tell);
}

bool LiveCheckCommand::check(const QString& siteAddress, const QByteArray& expected,
                             const QString& expectedName)
{
    if (siteAddress.trimmed().isEmpty() || m_fetch.isRunning())
        return false;
    m_expected = expected;
    m_expectedName = expectedName;
    return m_fetch.start(siteAddress, m_limitMs);
}

void LiveCheckCommand::tell(const online::LiveFile& file)
{
    const online::LiveReport report = online::judgeLive(file, m_expected);
    const QString text = report.text(file, m_expectedName);
    const bool fine = report.kind == online::LiveReport::Kind::SameFile && !report.tooLarge &&
                      report.otherHostUrl.isEmpty();
    prompts().message(text, Prompt::Buttons::Ok, fine ? Prompt::Icon::Information : Prompt::Icon::Warning);
    emit reported(text);
}

} // namespace sf
