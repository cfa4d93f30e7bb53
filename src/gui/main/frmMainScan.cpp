// The main window's "Scan the site": the scan window over the project's connection, marked by the
// grid, and marked again whenever the grid changes.
#include "gui/main/frmMain.h"

#include "base/CodePage.h"
#include "ftp/SecretStore.h"
#include "gui/common/Prompt.h"
#include "gui/main/RuleGridModel.h"
#include "gui/main/SiteScanWindow.h"
#include "project/ProjectState.h"

#include <QTimer>

namespace sf {

void frmMain::ScanSite()
{
    if (!isProjectOpen())
        return;
    if (m_siteScan && m_siteScan->isVisible()) {
        m_siteScan->raise();
        m_siteScan->activateWindow();
        return;
    }
    const ConnectionFields fields = connectionFields();
    ftp::ScanLogin login =
        ftp::ScanLogin::of(fields.server, fields.user, fields.password, fields.port, fields.protocol,
                           shared::projectHeader.trust, fields.keyFile, shared::projectHeader.activeMode);
    if (login.server.isEmpty()) {
        prompts().message(tr("Type the server's address in step 1 first."), Prompt::Buttons::Ok,
                          Prompt::Icon::Information);
        return;
    }
    if (login.password.isEmpty() && login.keyFile.isEmpty() && !shared::projectHeader.rememberPassword) {
        const auto stored =
            SecretStore::read(SecretStore::key(login.server, trimSpaces(fields.port), login.user));
        login.password =
            stored ? *stored
                   : prompts().text(tr("Password for %1 on %2:").arg(login.user, login.server), true);
        if (login.password.isNull())
            return;
    }
    // The site folder; without one, the login folder (where the main window's connection starts),
    // whose paths stand as the server's, as the remote list's marks take them.
    const QString site = shared::projectHeader.siteFolder();
    const QString label = site.isEmpty() ? tr("the login folder") : site;
    m_siteScan = new SiteScanWindow(
        login, site, label, [this] { return gridRows(); }, this);
    m_siteScan->setPreferredAgent(selectedUserAgent());
    m_siteScan->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_siteScan, &SiteScanWindow::pagesScanned, this,
            [this](const QList<QByteArray>& pages) { m_scannedPages = pages; });
    // A window closed while it scanned goes once its connections have; a newer one may be open by
    // then, and m_siteScan follows the newest.
    // Edits of the grid come in bursts (a whole group at once): the marks follow once the burst is over.
    auto* remark = new QTimer(m_siteScan);
    remark->setSingleShot(true);
    remark->setInterval(0);
    connect(remark, &QTimer::timeout, m_siteScan, &SiteScanWindow::remark);
    const auto later = [remark] { remark->start(); };
    connect(m_gridModel, &QAbstractItemModel::dataChanged, remark, later);
    connect(m_gridModel, &QAbstractItemModel::rowsInserted, remark, later);
    connect(m_gridModel, &QAbstractItemModel::rowsRemoved, remark, later);
    connect(m_gridModel, &QAbstractItemModel::modelReset, remark, later);
    m_siteScan->show();
    m_siteScan->start();
}

} // namespace sf
