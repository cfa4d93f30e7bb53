// The checker against the robots.txt the live site serves rather than the grid.
#include "gui/rules/frmCheck.h"

#include "online/LiveCheck.h"
#include "project/ProjectState.h"
#include "rules/RobotsTxt.h"

#include <QCheckBox>
#include <QLabel>

namespace sf {

void frmCheck::createLiveBox()
{
    m_liveBox = new QCheckBox(tr("Against the live site's robots.txt"), this);
    m_liveBox->setObjectName(QStringLiteral("liveBox"));
    m_liveBox->setToolTip(tr("Check with the robots.txt the site serves at its address (Options), instead "
                             "of the grid"));
    m_liveFetch = new online::LiveFetch(this);
    connect(m_liveFetch, &online::LiveFetch::finished, this, &frmCheck::takeLiveFile);
    connect(m_liveBox, &QCheckBox::toggled, this, &frmCheck::setLiveChecking);
}

bool frmCheck::isReadingLiveFile() const
{
    return m_liveFetch->isRunning();
}

void frmCheck::setLiveChecking(bool on)
{
    m_verdictLabel->clear();
    if (!on)
        return;
    const QString address = shared::projectHeader.siteAddress;
    if (address.isEmpty()) {
        m_verdictLabel->setText(tr("Set the site address in Options first."));
        m_liveBox->setChecked(false);
        return;
    }
    m_liveStatus = -1;
    if (m_liveFetch->start(address))
        m_verdictLabel->setText(tr("Reading %1...").arg(online::liveRobotsUrl(address)));
}

void frmCheck::takeLiveFile(const online::LiveFile& file)
{
    m_liveStatus = file.tooManyRedirects ? 404 : file.status;
    m_liveFile = file.body;
    m_verdictLabel->setText(m_liveStatus >= 200 && m_liveStatus < 300
                                ? tr("The live robots.txt was read (%1 bytes).").arg(file.body.size())
                                : online::crawlerReading(file));
    emit liveFileRead();
}

void frmCheck::checkLive(const QString& robot, const QString& path)
{
    if (isReadingLiveFile()) {
        m_verdictLabel->setText(tr("The live robots.txt is still being read."));
        return;
    }
    if (m_liveStatus < 0) {
        setLiveChecking(true);
        return;
    }
    // As crawlers take it: no file (4xx) allows everything, an unreachable one (5xx) nothing.
    if (m_liveStatus < 200 || m_liveStatus >= 500) {
        m_verdictLabel->setText(tr("Blocked (the live site does not serve robots.txt: crawlers keep away)"));
        return;
    }
    if (m_liveStatus >= 300) {
        m_verdictLabel->setText(tr("Allowed (the live site has no robots.txt)"));
        return;
    }
    const rules::RobotsTxt txt(m_liveFile);
    const rules::Verdict verdict = txt.check(rules::crawlerToken(robot.toUtf8()), path.toUtf8());
    const auto& lines = txt.lines();
    const bool known = verdict.line > 0 && static_cast<size_t>(verdict.line) <= lines.size();
    const QString line =
        known ? tr(" (live file, line %1: %2)")
                    .arg(verdict.line)
                    .arg(QString::fromUtf8(lines.at(static_cast<size_t>(verdict.line) - 1).text))
              : tr(" (live file: no rule applies)");
    m_verdictLabel->setText((verdict.allowed ? tr("Allowed") : tr("Blocked")) + line);
}

} // namespace sf
