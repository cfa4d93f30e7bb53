// Marking a scanned tree of 1,000,000 entries for every robot of a purpose of 500 robots, as the scan
// window does when the purpose is chosen and again after every grid edit: the rules read, a mark
// per entry, and the tree model's folder counts.
//  - the tree: 1,000 folders of 999 files, names like a site's;
//  - the grid: a "*" group and a GPTBot group of 80 rules, and a group that keeps 50 of the
//    purpose's robots out of two sections (as a preset writes them: one user-agent line each);
//  - per robot: a pass over the tree for each of the 500 robots, the counts added up (how the window
//    marked a purpose before), run once;
//  - one pass: SiteMarks::blockedCounts, robots of the same rules checked as one (the median of 5);
//  - one pass, worst case: each of the 500 robots named in a group of its own with a rule of its own.
#include "ftp/SiteTree.h"
#include "gui/main/SiteTreeModel.h"
#include "project/SiteMarks.h"
#include "rules/RobotsTxt.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRobots = 500;

std::shared_ptr<sf::ftp::SiteTree> millionEntries()
{
    auto tree = std::make_shared<sf::ftp::SiteTree>();
    std::vector<sf::ftp::SiteTree::Listed> top;
    for (int f = 0; f < 1000; ++f)
        top.push_back({QByteArray("section-") + QByteArray::number(f), true, false});
    tree->add(sf::ftp::SiteTree::kTopFolder, top);
    std::vector<sf::ftp::SiteTree::Listed> files;
    for (int i = 0; i < 999; ++i)
        files.push_back(
            {QByteArray("article ") + QByteArray::number(i) + (i % 7 ? ".html" : ".pdf"), false, false});
    for (std::uint32_t f = 1; f <= 1000; ++f)
        tree->add(f, files);
    tree->shrinkToFit();
    return tree;
}

QList<QByteArray> purposeRobots()
{
    QList<QByteArray> robots;
    // Tokens are letters: "SeoCrawler12" would be the token "SeoCrawler" for every robot.
    for (int r = 0; r < kRobots; ++r)
        robots << QByteArray("SeoCrawler") + char('a' + r / 26) + char('a' + r % 26);
    return robots;
}

QByteArray gridText(const QList<QByteArray>& robots)
{
    QByteArray text = "User-agent: *\nDisallow: /private/\nDisallow: /*.pdf$\nAllow: /section-1/public\n\n"
                      "User-agent: GPTBot\n";
    for (int r = 0; r < 40; ++r)
        text += "Disallow: /section-" + QByteArray::number(r * 23) + "/\nAllow: /section-" +
                QByteArray::number(r * 23) + "/article 1*\n";
    text += '\n';
    for (int r = 0; r < 50; ++r)
        text += "User-agent: " + robots[r * 10] + '\n';
    return text + "Disallow: /section-2\nDisallow: /section-7*.pdf\n";
}

QByteArray worstCaseText(const QList<QByteArray>& robots)
{
    QByteArray text = "User-agent: *\nDisallow: /private/\n";
    for (int r = 0; r < robots.size(); ++r)
        text += "\nUser-agent: " + robots[r] + "\nDisallow: /section-" + QByteArray::number(r) + "/\n";
    return text;
}

// The window's old way: a pass per robot, the marks added up.
std::vector<std::uint32_t> perRobot(const sf::ftp::SiteTree& tree, const sf::rules::RobotsTxt& txt,
                                    const QList<QByteArray>& robots)
{
    std::vector<std::uint32_t> counts(tree.entries().size(), 0);
    for (const QByteArray& robot : robots) {
        const std::vector<bool> blocked = sf::SiteMarks::blocked(tree, "/", txt.rulesFor(robot));
        for (std::size_t e = 0; e < blocked.size(); ++e)
            counts[e] += blocked[e] ? 1 : 0;
    }
    return counts;
}

// Milliseconds of one marking: the counts and the model's update; the blocked entries beside.
double markMs(sf::SiteTreeModel& model, int robots, const std::function<std::vector<std::uint32_t>()>& mark,
              std::size_t& blocked)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<std::uint32_t> counts = mark();
    blocked =
        static_cast<std::size_t>(std::count_if(counts.begin(), counts.end(), [](auto n) { return n > 0; }));
    model.setMarks(std::move(counts), robots);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double medianMs(sf::SiteTreeModel& model, int robots, const std::function<std::vector<std::uint32_t>()>& mark,
                std::size_t& blocked, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(markMs(model, robots, mark, blocked));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const std::shared_ptr<sf::ftp::SiteTree> tree = millionEntries();
    sf::SiteTreeModel model(tree);
    const QList<QByteArray> robots = purposeRobots();
    const sf::rules::RobotsTxt grid(gridText(robots));
    const sf::rules::RobotsTxt worst(worstCaseText(robots));
    const bool skipPerRobot = argc > 1 && QByteArray(argv[1]) == "--one-pass-only";
    std::size_t blocked = 0;
    std::printf("marking %zu entries for a purpose of %d robots\n", tree->entries().size(), kRobots);
    const double one = medianMs(
        model, kRobots, [&] { return sf::SiteMarks::blockedCounts(*tree, "/", grid, robots); }, blocked, 5);
    std::printf(
        "  one pass (SiteMarks::blockedCounts), grid:       %9.1f ms (%zu entries blocked for some)\n", one,
        blocked);
    const double worstOne = medianMs(
        model, kRobots, [&] { return sf::SiteMarks::blockedCounts(*tree, "/", worst, robots); }, blocked, 3);
    std::printf(
        "  one pass, each robot its own group and rule:     %9.1f ms (%zu entries blocked for some)\n",
        worstOne, blocked);
    if (skipPerRobot)
        return 0;
    const double before = markMs(
        model, kRobots, [&] { return perRobot(*tree, grid, robots); }, blocked);
    std::printf(
        "  a pass per robot (the window's old way), grid:   %9.1f ms (%zu entries blocked for some)\n",
        before, blocked);
    return 0;
}
