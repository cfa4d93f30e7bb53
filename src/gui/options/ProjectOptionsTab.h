#pragma once

#include "base/Protocol.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace sf {

struct ProjectHeader;

// The "Project Options" tab of the options window: the robots.txt header and default upload folder
// of the open project, the three program settings, and the project's connection and transfer modes.
class ProjectOptionsTab : public QWidget {
    Q_OBJECT
public:
    explicit ProjectOptionsTab(QWidget* parent = nullptr);

    // Enables or disables the controls that belong to a project.
    void setProjectControlsEnabled(bool enabled);
    // Shows the open project's header text, upload folder and modes.
    void showProject(const ProjectHeader& header);
    // The header text as typed, without surrounding spaces.
    QString headerText() const;
    // The site folder as typed (a final "/" dropped), and the web site's address.
    QString siteFolder() const;
    QString siteAddress() const;
    // "Remember my FTP password": the password stays in the project file (else in the secret store).
    bool rememberPassword() const;
    // What a connection does with a certificate or host key that nothing vouches for: ask or refuse.
    ftp::TrustPolicy trustPolicy() const;
    // The site's sitemap URLs, one a line; they are the grid's "Sitemap:" lines, so the tab shows
    // what the grid holds and Apply writes the list back into the grid.
    void showSitemaps(const QStringList& urls);
    QStringList sitemaps() const;
    // The three program settings, read from and written to the settings store.
    void loadSettings();
    void saveSettings() const;

signals:
    // The user (or filling the tab) chose a connection or transfer mode.
    void connectionModeChosen(bool active);
    void transferModeChosen(bool binary);
    // The user typed into the header, the site folder or the site address.
    void projectTextTyped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createProjectBox();
    QLayout* createSiteAddressRow(QWidget* box);
    QWidget* createSettingsBox();
    QWidget* createModes();
    QWidget* createTrustBox();
    void connectModes();

    // Controls, named as the program names them.
    QLabel* Label8 = nullptr;
    QLineEdit* Text1 = nullptr; // robots.txt header
    QLabel* Label9 = nullptr;
    QLineEdit* Text2 = nullptr; // the site folder (once the default remote directory)
    QLineEdit* txtSiteAddress = nullptr;
    QPlainTextEdit* txtSitemaps = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* chkUploadQuestion = nullptr; // the change question before an upload
    QGroupBox* Frame3 = nullptr;            // "Connection Mode"
    QRadioButton* optActive = nullptr;
    QRadioButton* optPassive = nullptr;
    QGroupBox* Frame2 = nullptr; // "File Transfer Mode"
    QRadioButton* optBin = nullptr;
    QRadioButton* optAscii = nullptr;
    QGroupBox* fraTrust = nullptr; // "Unknown certificates and host keys"
    QRadioButton* optTrustAsk = nullptr;
    QRadioButton* optTrustRefuse = nullptr;
};

} // namespace sf
