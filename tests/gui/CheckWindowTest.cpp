// The checker window: a verdict per reading with its deciding line, and the sentence on how they differ.
#include "gui/rules/CrawlMarks.h"
#include "gui/rules/frmCheck.h"
#include "support/NamedChild.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using sf::test::named;

namespace {

// The grid and chooser the window reads, as the main window offers them.
class Grid : public CheckHost {
public:
    QStringList rows{"User-agent: *", "Disallow: /*.pdf$", "Allow: /a", "Disallow: /a/b", "Disallow: /x"};
    int selected = -1;
    const QStringList& gridRows() const override { return rows; }
    QStringList chooserUserAgents() const override { return {"FooBot"}; }
    QString pickedEntryPath() const override { return {}; }
    void selectGridRow(int row) override { selected = row; }
};

} // namespace

TEST(CheckWindow, ShowsEachReadingsVerdictAndHowTheyDiffer)
{
    Grid grid;
    frmCheck window(grid);
    window.refresh();
    window.show();
    QStringList captions;
    for (const QLabel* label : window.findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption :
         {"RFC 9309 (the standard):", "Google's parser:",
          "first match, no wildcards (Python's robotparser before 3.15 and tools built on it):"})
        EXPECT_TRUE(captions.contains(QLatin1String(caption))) << caption;
    struct Case {
        QString path;
        QString rfc, google, firstMatch, difference;
        int selected;
    } cases[] = {
        {"/doc.pdf", "Blocked (line 2)", "Blocked (line 2)", "Allowed (no rule applies)",
         "Google and RFC 9309 readers: blocked by line 2. First-match readers: allowed, because they read "
         "`*` and "
         "`$` as characters.",
         1},
        {"/a/b/c", "Blocked (line 4)", "Blocked (line 4)", "Allowed (line 3)",
         "Google and RFC 9309 readers: blocked by line 4. First-match readers: allowed by line 3, because "
         "the "
         "first line that matches decides for them, not the longest.",
         3},
        {"/x/y", "Blocked (line 5)", "Blocked (line 5)", "Blocked (line 5)",
         "Every reading: blocked by line 5.", 4},
    };
    for (const Case& c : cases) {
        named<QLineEdit>(&window, "pathEdit")->setText(c.path);
        QTest::mouseClick(named<QPushButton>(&window, "checkButton"), Qt::LeftButton);
        EXPECT_EQ(named<QLabel>(&window, "verdictLabel")->text(), c.rfc);
        EXPECT_EQ(named<QLabel>(&window, "rfc9309Label")->text(), c.rfc);
        EXPECT_EQ(named<QLabel>(&window, "googleLabel")->text(), c.google);
        EXPECT_EQ(named<QLabel>(&window, "firstMatchLabel")->text(), c.firstMatch);
        EXPECT_EQ(named<QLabel>(&window, "differenceLabel")->text(), c.difference);
        EXPECT_EQ(grid.selected, c.selected);
    }
}

// The remote list's marks follow the chosen robot's own group, not the "*" group beside it.
TEST(CrawlMarks, FollowTheChosenRobotsOwnGroup)
{
    const QStringList grid{"User-agent: *", "Disallow: /private/", "", "User-agent: FooBot",
                           "Disallow: /ok.html"};
    QTreeWidget list;
    list.setColumnCount(6);
    for (const auto& [name, type] : {std::pair{"private", "a"}, {"ok.html", "b"}})
        list.addTopLevelItem(new QTreeWidgetItem({name, "", "", "", "", type}));
    const struct {
        const char* agent;
        bool privateGreyed, okGreyed;
    } cases[] = {{"*", true, false}, {"FooBot", false, true}, {"OtherBot", true, false}};
    for (const auto& c : cases) {
        markCrawlableEntries(&list, "/", c.agent, grid);
        EXPECT_EQ(list.topLevelItem(0)->data(0, Qt::ForegroundRole).isValid(), c.privateGreyed) << c.agent;
        EXPECT_EQ(list.topLevelItem(1)->data(0, Qt::ForegroundRole).isValid(), c.okGreyed) << c.agent;
    }
}
