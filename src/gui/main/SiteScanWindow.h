#pragma once

#include "ftp/SiteScan.h"
#include "rules/RobotsTxt.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace sf {

class SiteTreeModel;

// "Scan the site": lists the site over connections of its own while the user watches the progress
// (and may cancel), then shows the tree with a mark per entry for the chosen robot, or for every
// robot of a purpose, the counts of the selected folder, and the grid line that decides the selected
// entry. The marks follow the grid: remark() reads it again, the site is not listed again.
class SiteScanWindow : public QDialog {
    Q_OBJECT
public:
    // Scans the site folder (as the project keeps it), or with none the login folder, whose paths
    // then stand as the server's, as the main window maps them. siteLabel: the folder scanned as the
    // user reads it; gridRows: the grid as it is now.
    SiteScanWindow(const ftp::ScanLogin& login, const QString& siteFolder, const QString& siteLabel,
                   std::function<QStringList()> gridRows, QWidget* parent = nullptr);
    ~SiteScanWindow() override;

    void start();
    bool isScanning() const;
    // Reads the grid again and marks the tree by it.
    void remark();
    // The robot the tree is first marked for (the main window's chosen robot); without one, the first
    // robot the grid names.
    void setPreferredAgent(const QString& userAgent) { m_preferredAgent = userAgent; }

signals:
    // A scan that listed the site: a sample of its pages (SiteMarks::samplePages), as crawlers
    // request them.
    void pagesScanned(const QList<QByteArray>& pages);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The robots a choice of the robot box stands for, and how the counts name them.
    struct Choice {
        QList<QByteArray> agents;
        QString label;
    };
    void showProgress(const ftp::ScanProgress& progress);
    void scanFinished();
    QString outcomeText() const;
    void fillRobotBox();
    Choice chosen() const;
    void showSelected();
    void exportCsv();

    std::function<QStringList()> m_gridRows;
    QString m_siteLabel;
    QString m_siteFolder;
    QByteArray m_top; // the path crawlers request for the folder scanned
    QString m_preferredAgent;
    ftp::SiteScan* m_scan = nullptr;
    SiteTreeModel* m_model = nullptr;
    rules::RobotsTxt m_txt;
    QStringList m_rows;
    QList<Choice> m_purposeChoices;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_progressLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_outcomeLabel = nullptr;
    QComboBox* m_robotBox = nullptr;
    QCheckBox* m_fetchableBox = nullptr;
    QTreeView* m_treeView = nullptr;
    QLabel* m_countLabel = nullptr;
    QLabel* m_lineLabel = nullptr;
    QPushButton* m_exportButton = nullptr;
};

} // namespace sf
