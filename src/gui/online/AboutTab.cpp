#include "gui/online/AboutTab.h"

#include "base/InstallMode.h"
#include "online/Desktop.h"
#include "transfer/ServiceUrls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace sf {
namespace {

// The host of an address, as the about page shows a site.
QString siteName(const QString& address)
{
    const QUrl url(address);
    return url.host().isEmpty() ? address : url.host();
}

} // namespace

AboutTab::AboutTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AboutTab"));
    Label19 = makeLabel("Label19", freewareText());
    QFont notice = Label19->font();
    notice.setBold(true);
    Label19->setFont(notice);

    Text3 = new QPlainTextEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    // The package keeps the notices in its copyright file; the portable folder beside robots.rbd.
    const QString notices = IsPackagedInstall() ? tr("are in /usr/share/doc/spiderfence/copyright.")
                                                : tr("are shipped beside robots.rbd.");
    Text3->setPlainText(
        tr("Spiderfence composes the robots.txt file of a web site and puts it on the web server.\n\n"
           "This program is provided \"as is\", without warranty of any kind, express or implied. "
           "In no event shall the authors be liable for any claim, damages or other liability arising "
           "from the use of the program.\n\n"
           "The robot list is built from public descriptions of web robots; the notices of its sources "
           "%1")
            .arg(notices));

    Picture2 = makeLabel("Picture2");
    Picture2->setPixmap(QIcon(QStringLiteral(":/icons/info.svg")).pixmap(32, 32));
    Picture2->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* noticeRow = new QHBoxLayout;
    noticeRow->addWidget(Picture2);
    noticeRow->addWidget(Text3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(createHeading());
    layout->addWidget(Label19);
    layout->addWidget(createLinks());
    layout->addLayout(noticeRow, 1);
}

QLabel* AboutTab::makeLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLabel* AboutTab::makeLink(const char* name, const QString& address)
{
    QLabel* label = makeLabel(name, QStringLiteral("<a href=\"%1\">%2</a>")
                                        .arg(address.toHtmlEscaped(), siteName(address).toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return label;
}

QWidget* AboutTab::createHeading()
{
    auto* heading = new QWidget(this);
    Picture1 = makeLabel("Picture1");
    Picture1->setPixmap(QIcon(QStringLiteral(":/icons/spiderfence.svg")).pixmap(64, 64));
    auto* title = new QLabel(tr("Spiderfence"), heading);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);

    Label17 = makeLabel("Label17", tr("Spiderfence version"));
    Label18 = makeLabel("Label18");
    Label16 = makeLabel("Label16", tr("Robot list version"));
    Label15 = makeLabel("Label15");
    auto* versions = new QGridLayout;
    versions->setHorizontalSpacing(12);
    versions->addWidget(title, 0, 0, 1, 2);
    versions->addWidget(Label17, 1, 0);
    versions->addWidget(Label18, 1, 1);
    versions->addWidget(Label16, 2, 0);
    versions->addWidget(Label15, 2, 1);
    versions->setColumnStretch(1, 1);

    auto* layout = new QHBoxLayout(heading);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(Picture1, 0, Qt::AlignTop);
    layout->addLayout(versions, 1);
    return heading;
}

QWidget* AboutTab::createLinks()
{
    auto* links = new QWidget(this);
    Label20 = makeLabel("Label20", tr("You can visit us at :"));
    lblURL = makeLink("lblURL", SiteUrl());
    Label21 = makeLabel("Label21", tr("Or at :"));
    Label14 = makeLink("Label14", SubmissionSiteUrl());
    auto* grid = new QGridLayout(links);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(Label20, 0, 0);
    grid->addWidget(lblURL, 0, 1);
    grid->addWidget(Label21, 1, 0);
    grid->addWidget(Label14, 1, 1);
    grid->setColumnStretch(1, 1);
    connect(lblURL, &QLabel::linkActivated, this, &AboutTab::lblURL_Click);
    connect(Label14, &QLabel::linkActivated, this, &AboutTab::Label14_Click);
    return links;
}

QString AboutTab::freewareText()
{
    const QString crlf = QStringLiteral("\r\n");
    return tr("Spiderfence is a 100% FREEWARE") + crlf + crlf + tr(" No Spyware") + crlf +
           tr(" No Sponsorware") + crlf + tr(" No Adware");
}

void AboutTab::setProgramVersion(const QString& version)
{
    Label18->setText(version);
}

void AboutTab::setRobotListVersion(const QString& version)
{
    Label15->setText(version);
}

void AboutTab::lblURL_Click()
{
    OpenWebPage(ProductPageUrl());
}

void AboutTab::Label14_Click()
{
    OpenWebPage(SubmissionSitePageUrl());
}

} // namespace sf
