#include "gui/rules/CrawlMarks.h"

#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"
#include "rules/RuleWriter.h"

#include <QApplication>
#include <QHash>
#include <QPalette>
#include <QTreeWidget>

namespace sf {

namespace {

// A row's mark: greyed with the reason as its tip, or neither.
void setMark(QTreeWidgetItem* item, const QBrush& grey, const QString& reason)
{
    if (!reason.isEmpty()) {
        item->setForeground(0, grey);
        item->setToolTip(0, reason);
    } else if (item->data(0, Qt::ForegroundRole).isValid()) {
        // A new row has no mark to take off; setting one on a row in the list costs a change notice.
        item->setData(0, Qt::ForegroundRole, QVariant());
        item->setToolTip(0, QString());
    }
}

} // namespace

void markCrawlableEntries(QTreeWidget* list, const QString& directory, const QString& userAgent,
                          const QStringList& gridRows)
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
    rules::EntryUrlPaths paths(directory);
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
