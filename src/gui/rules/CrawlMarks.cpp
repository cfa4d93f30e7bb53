#include "gui/rules/CrawlMarks.h"

#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"
#include "rules/RuleWriter.h"
#include "rules/SiteFolder.h"

#include <QApplication>
#include <QHash>
#include <QPalette>
#include <QTreeWidget>

#include <functional>

namespace sf {

namespace {

// A row's mark: greyed with the reason as its tip, or neither.
void setMark(QTreeWidgetItem* item, const QBrush& grey, const QString& reason)
{
    if (!reason.isEmpty()) {
        item->setForeground(0, grey);
        item->setToolTip(0, reason);
    } else if (item->data(0, Qt::ForegroundRole).isValid() || item->data(0, Qt::ToolTipRole).isValid()) {
        // A new row has no mark to take off; setting one on a row in the list costs a change notice.
        item->setData(0, Qt::ForegroundRole, QVariant());
        item->setToolTip(0, QString());
    }
}

// Seen from a folder outside the site: no entry is marked, except the site folder itself when it
// is listed here, which crawlers request as "/".
void markOutsideEntries(QTreeWidget* list, const QString& directory, const QString& siteFolder,
                        const rules::RuleSet& rules, const QBrush& grey,
                        const std::function<QString(int)>& reason)
{
    const QString outside = QApplication::translate("sf", "outside the site");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->text(0) == QLatin1String(".."))
            continue;
        const rules::SiteEntry entry = rules::siteEntry(siteFolder, directory, item->text(0));
        if (!entry.inside) {
            setMark(item, grey, QString());
            item->setToolTip(0, outside);
            continue;
        }
        const QByteArray path = rules::entryUrlPath(QString(), rules::crawlerPath(entry, true));
        const rules::Verdict verdict = rules.checkPath({path.constData(), static_cast<size_t>(path.size())});
        setMark(item, grey, verdict.allowed ? QString() : reason(verdict.line));
    }
}

} // namespace

void markCrawlableEntries(QTreeWidget* list, const QString& directory, const QString& userAgent,
                          const QStringList& gridRows, const QString& siteFolder)
{
    const rules::RuleSet rules =
        rules::RobotsTxt(RuleGrid::exportText(gridRows)).rulesFor(rules::crawlerToken(userAgent.toUtf8()));
    const QBrush grey = list->palette().brush(QPalette::Disabled, QPalette::Text);
    // One reason for each deciding line, shared by all the rows the line blocks.
    QHash<int, QString> reasons;
    const auto reason = [&](int line) {
        auto known = reasons.constFind(line);
        if (known == reasons.cend())
            known =
                reasons.insert(line, QApplication::translate("sf", "%1 may not crawl this: line %2, \"%3\"")
                                         .arg(userAgent)
                                         .arg(line)
                                         .arg(gridRows.value(line - 1)));
        return *known;
    };
    list->setUpdatesEnabled(false);
    const QSignalBlocker quiet(list->model());
    const std::optional<QString> shown = rules::sitePath(siteFolder, directory);
    if (!shown) {
        markOutsideEntries(list, directory, siteFolder, rules, grey, reason);
        list->setUpdatesEnabled(true);
        list->viewport()->update();
        return;
    }
    rules::EntryUrlPaths paths(*shown);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        // With no rule for the robot every entry may be crawled, and only old marks come off.
        rules::Verdict verdict;
        if (!rules.rules().empty()) {
            const QString name = item->text(0);
            if (name == QLatin1String(".."))
                continue;
            verdict = rules.checkPath(paths.path(name, item->text(5) == QLatin1String("a")));
        }
        setMark(item, grey, verdict.allowed ? QString() : reason(verdict.line));
    }
    list->setUpdatesEnabled(true);
    list->viewport()->update();
}

} // namespace sf
