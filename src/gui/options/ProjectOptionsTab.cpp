#include "gui/options/ProjectOptionsTab.h"

#include "base/CodePage.h"
#include "base/InstallMode.h"
#include "base/SettingsStore.h"
#include "project/ProjectFile.h"
#include "rules/SiteFolder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sf {
namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A text field of the project shows what it holds up to its first NUL, without surrounding spaces.
QString fieldText(const QString& stored)
{
    const qsizetype nul = stored.indexOf(QChar(0));
    return trimSpaces(nul < 0 ? stored : stored.left(nul));
}

} // namespace

ProjectOptionsTab::ProjectOptionsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjectOptionsTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(createProjectBox());
    layout->addWidget(createModes());
    layout->addWidget(createTrustBox());
    layout->addWidget(createSettingsBox());
    layout->addStretch(1);
    connectModes();
}

void ProjectOptionsTab::connectModes()
{
    // Filling the window selects the project's modes too; the receivers leave the project unmodified then.
    auto chosen = [this](QRadioButton* button, auto signal, bool value) {
        connect(button, &QRadioButton::toggled, this, [this, signal, value](bool on) {
            if (on)
                emit(this->*signal)(value);
        });
    };
    chosen(optActive, &ProjectOptionsTab::connectionModeChosen, true);
    chosen(optPassive, &ProjectOptionsTab::connectionModeChosen, false);
    chosen(optBin, &ProjectOptionsTab::transferModeChosen, true);
    chosen(optAscii, &ProjectOptionsTab::transferModeChosen, false);
    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
    txtSiteAddress->installEventFilter(this);
}

bool ProjectOptionsTab::eventFilter(QObject* watched, QEvent* event)
{
    // Typing into the header or the upload folder marks the project modified: a character, Backspace
    // or Enter. Keys that only move (Tab, the arrows) change nothing.
    if (event->type() == QEvent::KeyPress &&
        (watched == Text1 || watched == Text2 || watched == txtSiteAddress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool edits = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
                           key->key() == Qt::Key_Enter ||
                           (!key->text().isEmpty() && key->text().at(0).isPrint());
        if (edits)
            emit projectTextTyped();
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* ProjectOptionsTab::createProjectBox()
{
    auto* box = new QGroupBox(tr("Project"), this);
    Label8 = named(new QLabel(tr("Robots.txt Header"), box), "Label8");
    Text1 = named(new QLineEdit(box), "Text1");
    Label9 = named(new QLabel(tr("Default remote directory to upload robots.txt"), box), "Label9");
    Text2 = named(new QLineEdit(box), "Text2");
    Label8->setBuddy(Text1);
    Label9->setBuddy(Text2);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(4);
    layout->addWidget(Label8);
    layout->addWidget(Text1);
    layout->addSpacing(6);
    layout->addWidget(Label9);
    layout->addWidget(Text2);
    layout->addLayout(createSiteAddressRow(box));
    auto* sitemapLabel = new QLabel(tr("Sitemap URLs, one a line (written as \"Sitemap:\" lines)"), box);
    txtSitemaps = named(new QPlainTextEdit(box), "txtSitemaps");
    txtSitemaps->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSitemaps->setFixedHeight(txtSitemaps->fontMetrics().height() * 4 + 12);
    sitemapLabel->setBuddy(txtSitemaps);
    layout->addSpacing(6);
    layout->addWidget(sitemapLabel);
    layout->addWidget(txtSitemaps);
    return box;
}

QWidget* ProjectOptionsTab::createModes()
{
    auto* row = new QWidget(this);
    Frame3 = named(new QGroupBox(tr("Connection Mode"), row), "Frame3");
    optActive = named(new QRadioButton(tr("Active Connection"), Frame3), "optActive");
    optPassive = named(new QRadioButton(tr("Passive Connection"), Frame3), "optPassive");
    auto* connection = new QVBoxLayout(Frame3);
    connection->addWidget(optActive);
    connection->addWidget(optPassive);

    Frame2 = named(new QGroupBox(tr("File Transfer Mode"), row), "Frame2");
    optBin = named(new QRadioButton(tr("Binary File Transfer"), Frame2), "optBin");
    optAscii = named(new QRadioButton(tr("ASCII File Transfer"), Frame2), "optAscii");
    auto* transfer = new QVBoxLayout(Frame2);
    transfer->addWidget(optBin);
    transfer->addWidget(optAscii);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Frame3, 1);
    layout->addWidget(Frame2, 1);
    return row;
}

QWidget* ProjectOptionsTab::createTrustBox()
{
    fraTrust = named(new QGroupBox(tr("Unknown certificates and host keys"), this), "fraTrust");
    fraTrust->setToolTip(tr("FTP over TLS, FTPS and SFTP: what to do with a server's certificate or host "
                            "key that neither this computer nor an earlier answer vouches for"));
    optTrustAsk = named(new QRadioButton(tr("Ask"), fraTrust), "optTrustAsk");
    optTrustRefuse = named(new QRadioButton(tr("Refuse"), fraTrust), "optTrustRefuse");
    auto* layout = new QHBoxLayout(fraTrust);
    layout->addWidget(optTrustAsk);
    layout->addWidget(optTrustRefuse);
    layout->addStretch(1);
    return fraTrust;
}

QWidget* ProjectOptionsTab::createSettingsBox()
{
    auto* box = new QGroupBox(tr("Program"), this);
    Check1 = named(new QCheckBox(tr("Open last edited project automatically"), box), "Check1");
    Check2 = named(new QCheckBox(tr("Connect to the FTP site when opening the project"), box), "Check2");
    Check3 = named(new QCheckBox(tr("Check for updates when Spiderfence starts"), box), "Check3");
    Check4 = named(new QCheckBox(tr("Remember my FTP password"), box), "Check4");
    chkUploadQuestion = named(new QCheckBox(tr("Before an upload, show what it changes on the server"), box),
                              "chkUploadQuestion");
    auto* layout = new QVBoxLayout(box);
    for (QCheckBox* check : {Check1, Check2, Check3, chkUploadQuestion, Check4})
        layout->addWidget(check);
    return box;
}

QLayout* ProjectOptionsTab::createSiteAddressRow(QWidget* box)
{
    Text2->setPlaceholderText(tr("/public_html: the server folder the web site is served from"));
    Text2->setToolTip(tr("Rules are written for the paths below this folder, as crawlers request them, "
                         "and robots.txt always goes to its top."));
    auto* label = named(new QLabel(tr("Site address"), box), "lblSiteAddress");
    txtSiteAddress = named(new QLineEdit(box), "txtSiteAddress");
    txtSiteAddress->setPlaceholderText(tr("https://www.example.com"));
    txtSiteAddress->setToolTip(tr("After each upload the program reads robots.txt from this address and "
                                  "compares it with the file it sent."));
    label->setBuddy(txtSiteAddress);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtSiteAddress, 1);
    return row;
}

void ProjectOptionsTab::setProjectControlsEnabled(bool enabled)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{Text1, Label8, Text2, Label9, txtSiteAddress, txtSitemaps, optActive,
                                         optPassive, optBin, optAscii, fraTrust, Check4})
        w->setEnabled(enabled);
}

void ProjectOptionsTab::showProject(const ProjectHeader& header)
{
    Text1->setText(fieldText(header.headerText));
    Text2->setText(fieldText(header.uploadDirectory));
    txtSiteAddress->setText(header.siteAddress);
    (header.activeMode == -1 ? optActive : optPassive)->setChecked(true);
    (header.binaryTransfer == -1 ? optBin : optAscii)->setChecked(true);
    // SFTP has neither connection modes nor text transfers.
    for (QWidget* w : std::initializer_list<QWidget*>{optActive, optPassive, optBin, optAscii})
        w->setEnabled(header.protocol != ftp::Protocol::Sftp);
    // Plain FTP has neither certificates nor host keys.
    fraTrust->setEnabled(header.protocol != ftp::Protocol::Ftp);
    (header.trust == ftp::TrustPolicy::Refuse ? optTrustRefuse : optTrustAsk)->setChecked(true);
    Check4->setEnabled(true);
    Check4->setChecked(header.rememberPassword);
}

bool ProjectOptionsTab::rememberPassword() const
{
    return Check4->isChecked();
}

ftp::TrustPolicy ProjectOptionsTab::trustPolicy() const
{
    return optTrustRefuse->isChecked() ? ftp::TrustPolicy::Refuse : ftp::TrustPolicy::Ask;
}

QString ProjectOptionsTab::headerText() const
{
    return trimSpaces(Text1->text());
}

QString ProjectOptionsTab::siteFolder() const
{
    return rules::siteFolderFromText(Text2->text());
}

QString ProjectOptionsTab::siteAddress() const
{
    QString address = txtSiteAddress->text().trimmed();
    while (address.endsWith(u'/'))
        address.chop(1);
    return address;
}

void ProjectOptionsTab::loadSettings()
{
    Check1->setChecked(SettingsStore::flag(SettingsStore::Check1));
    Check2->setChecked(SettingsStore::flag(SettingsStore::Check2));
    Check3->setChecked(SettingsStore::flag(SettingsStore::Check3));
    Check3->setEnabled(!IsPackagedInstall()); // the package manager updates a packaged copy
    chkUploadQuestion->setChecked(!SettingsStore::flag(SettingsStore::SkipUploadQuestion));
}

void ProjectOptionsTab::saveSettings() const
{
    SettingsStore::saveFlag(SettingsStore::Check1, Check1->isChecked());
    SettingsStore::saveFlag(SettingsStore::Check2, Check2->isChecked());
    SettingsStore::saveFlag(SettingsStore::Check3, Check3->isChecked());
    SettingsStore::saveFlag(SettingsStore::SkipUploadQuestion, !chkUploadQuestion->isChecked());
}

void ProjectOptionsTab::showSitemaps(const QStringList& urls)
{
    txtSitemaps->setPlainText(urls.join(u'\n'));
}

QStringList ProjectOptionsTab::sitemaps() const
{
    QStringList urls;
    for (const QString& line : txtSitemaps->toPlainText().split(u'\n')) {
        if (!line.trimmed().isEmpty())
            urls.append(line.trimmed());
    }
    return urls;
}

} // namespace sf
