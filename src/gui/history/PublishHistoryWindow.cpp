#include "gui/history/PublishHistoryWindow.h"

#include "gui/common/DialogButtons.h"
#include "history/VersionDiff.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sf {
namespace {

const QString kRobotsName = QStringLiteral("robots.txt");

QPlainTextEdit* readOnlyText(QWidget* parent, const char* name)
{
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(QLatin1String(name));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    return text;
}

} // namespace

PublishHistoryWindow::PublishHistoryWindow(const history::History& history, const QString& place,
                                           Restore restore, QWidget* parent)
    : QDialog(parent), m_history(history), m_restore(std::move(restore))
{
    setObjectName(QStringLiteral("PublishHistoryWindow"));
    setWindowTitle(tr("Published versions"));
    placeLabel = new QLabel(tr("The versions of robots.txt published to %1, newest first.").arg(place), this);
    placeLabel->setObjectName(QStringLiteral("placeLabel"));
    placeLabel->setWordWrap(true);
    versionList = new QTreeWidget(this);
    versionList->setObjectName(QStringLiteral("versionList"));
    versionList->setHeaderLabels({tr("Published"), tr("What changed")});
    versionList->setRootIsDecorated(false);
    versionList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    versionText = readOnlyText(this, "versionText");
    auto* differencePage = new QWidget(this);
    compareBox = new QComboBox(differencePage);
    compareBox->setObjectName(QStringLiteral("compareBox"));
    differenceText = readOnlyText(differencePage, "differenceText");
    auto* compareRow = new QHBoxLayout;
    compareRow->addWidget(new QLabel(tr("Compared with:"), differencePage));
    compareRow->addWidget(compareBox, 1);
    auto* differenceLayout = new QVBoxLayout(differencePage);
    differenceLayout->addLayout(compareRow);
    differenceLayout->addWidget(differenceText);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("versionTabs"));
    tabs->addTab(versionText, tr("Text"));
    tabs->addTab(differencePage, tr("Difference"));
    auto* splitter = new QSplitter(this);
    splitter->addWidget(versionList);
    splitter->addWidget(tabs);
    const DialogButtons buttons = makeDialogButtons(this, tr("Close"));
    restoreButton = buttons.proceed;
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setText(tr("Restore this version"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeLabel);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons.row);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(restoreButton, &QPushButton::clicked, this, &PublishHistoryWindow::restoreSelected);
    connect(versionList, &QTreeWidget::currentItemChanged, this, &PublishHistoryWindow::showSelected);
    connect(compareBox, &QComboBox::currentIndexChanged, this, &PublishHistoryWindow::showDifference);
    resize(900, 520);
    reload();
}

void PublishHistoryWindow::reload()
{
    const Result<QList<history::Version>> versions = history::versionsOf(m_history, kRobotsName);
    m_versions = versions ? versions.value() : QList<history::Version>{};
    const QSignalBlocker blockList(versionList), blockBox(compareBox);
    versionList->clear();
    compareBox->clear();
    for (const history::Version& v : std::as_const(m_versions)) {
        const QString time = QLocale().toString(v.time, QLocale::ShortFormat);
        const QString when = v.publish == 0 ? tr("before %1").arg(time) : time;
        auto* item = new QTreeWidgetItem(versionList, {when, v.change});
        item->setToolTip(1, v.change);
        compareBox->addItem(v.publish == 0 ? tr("the file before, %1").arg(time)
                                           : tr("published %1").arg(time));
    }
    if (!versions)
        versionText->setPlainText(tr("The published versions cannot be read: %1").arg(versions.error));
    else if (m_versions.isEmpty())
        versionText->setPlainText(tr("No publish of robots.txt to this site has been recorded yet."));
    versionList->setCurrentItem(versionList->topLevelItem(0));
    showSelected();
}

int PublishHistoryWindow::selectedIndex() const
{
    return versionList->currentItem() ? versionList->indexOfTopLevelItem(versionList->currentItem()) : -1;
}

void PublishHistoryWindow::showSelected()
{
    const int index = selectedIndex();
    restoreButton->setEnabled(index >= 0 && m_versions[index].error.isEmpty());
    if (index < 0) {
        differenceText->clear();
        return;
    }
    const history::Version& v = m_versions[index];
    versionText->setPlainText(v.error.isEmpty() ? QString::fromUtf8(v.bytes) : v.error);
    // Compared with the version before it, or with the newest for the oldest.
    const QSignalBlocker block(compareBox);
    compareBox->setCurrentIndex(index + 1 < m_versions.size() ? index + 1 : 0);
    showDifference();
}

void PublishHistoryWindow::showDifference()
{
    const int index = selectedIndex(), other = compareBox->currentIndex();
    if (index < 0 || other < 0)
        return;
    if (index == other) {
        differenceText->setPlainText(tr("Choose another version to compare with."));
        return;
    }
    const QByteArray& from = m_versions[other].bytes;
    const QByteArray& to = m_versions[index].bytes;
    QStringList lines{tr("Lines:")};
    const QStringList changed = history::describeLines(history::lineDifference(from, to));
    lines << (changed.isEmpty() ? QStringList{from == to ? tr("the same file")
                                                         : tr("the same lines; only line ends differ")}
                                : changed);
    lines << QString() << tr("What may be crawled:");
    const QStringList access = history::describeAccess(history::accessDifferences(from, to));
    lines << (access.isEmpty() ? QStringList{tr("every robot may crawl what it could in the other version")}
                               : access);
    differenceText->setPlainText(lines.join(u'\n'));
}

void PublishHistoryWindow::restoreSelected()
{
    const int index = selectedIndex();
    if (index < 0 || !m_versions[index].error.isEmpty() || !m_restore)
        return;
    m_restore(QByteArray(m_versions[index].bytes)); // a copy: the restore reloads the list
    reload();
}

} // namespace sf
