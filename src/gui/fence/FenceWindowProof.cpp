// The fence window's publish of .htaccess over the main window's connection and the proof on the
// live site: the sample fetched before and after, the published file put back when a browser gets a
// server error, and the table of what each visitor got.
#include "gui/fence/FenceWindow.h"

#include "fence/HtaccessPublish.h"
#include "ftp/cFTP.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "history/PublishHistory.h"

#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QTableWidget>

namespace sf {

namespace {
// Where the .htaccess a publish replaces is kept: one file per publish in the user's data folder.
QString keptCopyPath()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/replaced");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/htaccess-%1")
                        .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
}
} // namespace

// Keeps the file sent and the one it replaced in the site's published versions, as an upload of
// robots.txt does; answers what to add to the status when the record could not be written.
QString FenceWindow::recordInHistory(const fence::HtaccessPublished& published)
{
    history::ServerFile replaced;
    if (published.previous) {
        replaced.state = history::ServerFile::State::Held;
        replaced.bytes = *published.previous;
    }
    const Result<history::Record> recorded =
        history::recordPublish(m_ftp.historyPlace(), QStringLiteral(".htaccess"), replaced, published.sent);
    if (recorded)
        return {};
    return QLatin1Char(' ') + tr("It was not kept in the published versions: %1").arg(recorded.error);
}

fence::FenceProof FenceWindow::makeProof() const
{
    const QList<QByteArray> tokens = tickedTokens();
    fence::FenceProof proof(m_txt, fence::sampleTargets(m_txt, tokens, m_site.scannedPages));
    for (const QByteArray& token : tokens) {
        const fence::FenceRobot* known = fence::findRobot(m_database, token);
        const QByteArray agent = known && !known->userAgent.isEmpty() ? known->userAgent : token;
        proof.addVisitor({QString::fromUtf8(token), agent, token});
    }
    proof.addVisitor({tr("browser"), fence::kBrowserAgent, {}});
    for (const fence::FenceRobot& robot : m_database)
        if (robot.searchEngine && !robot.userAgent.isEmpty() && !tokens.contains(robot.token))
            proof.addVisitor({QString::fromUtf8(robot.token), robot.userAgent, {}});
    return proof;
}

fence::Statuses FenceWindow::fetchAll(const fence::FenceProof& proof)
{
    // Each request runs with events, so the window stays live; a closed window stops asking.
    return proof.fetchAll([this](const QByteArray& target, const QByteArray& agent) {
        return m_closeWhenDone ? 0 : fence::fetchStatus(m_site.siteAddress, target, agent);
    });
}

void FenceWindow::checkLiveSite()
{
    if (m_busy || m_rules.isEmpty() || m_site.siteAddress.isEmpty())
        return;
    setBusy(true);
    m_status->setText(tr("Checking %1…").arg(m_site.siteAddress));
    const fence::FenceProof proof = makeProof();
    const std::vector<fence::ProofRow> rows = proof.judge(fetchAll(proof));
    showProof(rows);
    m_status->setText(tr("Checked %1.").arg(m_site.siteAddress));
    finishBusy();
}

void FenceWindow::publishHtaccess()
{
    if (m_busy || m_rules.isEmpty() || serverKind() != fence::ServerKind::Apache)
        return;
    cFTP& ftp = m_ftp.session();
    if (!ftp.IsConnected()) {
        prompts().message(
            tr("Connect to the FTP server first: .htaccess goes to the top of the site folder."),
            Prompt::Buttons::Ok, Prompt::Icon::Information);
        return;
    }
    if (ftp.IsBusy()) {
        prompts().message(tr("A transfer is running on the connection: publish once it is over."),
                          Prompt::Buttons::Ok, Prompt::Icon::Information);
        return;
    }
    if (!m_ftp.confirmFolderShown(
            tr("No site folder is set: .htaccess would go to %1, and the web server applies it only to "
               "requests below that folder. Publish to %1 anyway?")))
        return;
    const QString folder = m_ftp.uploadFolder();
    setBusy(true);
    const QByteArray block = m_rules;
    const fence::FenceProof proof = makeProof();
    const bool prove = !m_site.siteAddress.isEmpty();
    fence::Statuses before;
    if (prove) {
        m_status->setText(tr("Fetching the live site before the publish…"));
        before = fetchAll(proof);
        if (m_closeWhenDone)
            return finishBusy();
    }
    m_status->setText(tr("Publishing .htaccess…"));
    const Result<fence::HtaccessPublished> published =
        fence::publishHtaccess(ftp, folder, block, keptCopyPath());
    if (!published) {
        m_status->setText(tr("Not published."));
        prompts().message(tr("The .htaccess could not be published: %1").arg(published.error),
                          Prompt::Buttons::Ok, Prompt::Icon::Critical);
        return finishBusy();
    }
    const QString recordError = recordInHistory(published.value());
    if (!prove) {
        m_status->setText(tr("Published %1. Set the site address in Options to prove it on the live site.")
                              .arg(published->remotePath) +
                          recordError);
        return finishBusy();
    }
    m_status->setText(tr("Proving the rules on the live site…"));
    // After the publish the proof runs whole even when the window was closed: a broken site is undone.
    const bool closing = std::exchange(m_closeWhenDone, false);
    const fence::Statuses now = fetchAll(proof);
    m_closeWhenDone = closing;
    int status = 0;
    QByteArray target;
    if (fence::FenceProof::browserBroken(now, &status, &target)) {
        const Result<void> restored = fence::restoreHtaccess(ftp, published.value());
        const QString what = tr("After the publish the server answered %1 to a browser for %2.")
                                 .arg(status)
                                 .arg(QString::fromLatin1(target));
        m_status->setText(what);
        prompts().message(
            restored ? what + QLatin1Char(' ') + tr("The .htaccess it had before is back.")
                     : what + QLatin1Char(' ') +
                           tr("Putting back the .htaccess it had before failed: %1").arg(restored.error),
            Prompt::Buttons::Ok, Prompt::Icon::Critical);
        showProof(proof.judge(now, before));
        return finishBusy();
    }
    showProof(proof.judge(now, before));
    m_status->setText(tr("Published %1 and checked on %2.").arg(published->remotePath, m_site.siteAddress) +
                      recordError);
    finishBusy();
}

void FenceWindow::showProof(const std::vector<fence::ProofRow>& rows)
{
    m_proof->setRowCount(0);
    for (const fence::ProofRow& row : rows) {
        const int r = m_proof->rowCount();
        m_proof->insertRow(r);
        const QString agree = tr("%1 of %2").arg(row.asExpected).arg(row.tried);
        const QStringList cells{
            row.visitor, QString::number(row.tried), row.fenced ? agree : tr("unchanged: %1").arg(agree),
            row.differences.isEmpty() ? tr("none") : row.differences.join(QStringLiteral("; "))};
        for (int c = 0; c < cells.size(); ++c)
            m_proof->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_proof->resizeColumnsToContents();
}

void FenceWindow::finishBusy()
{
    setBusy(false);
    if (m_closeWhenDone)
        deleteLater();
}

} // namespace sf
