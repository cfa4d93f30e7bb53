#include "project/RuleGridGroups.h"

#include "project/RuleGrid.h"

namespace sf::RuleGrid {
namespace {

constexpr int kFooterRows = 4;

// The first row after the body: the footer's first row.
qsizetype bodyEnd(const QStringList& rows)
{
    return std::max<qsizetype>(kHeaderRows, rows.size() - kFooterRows);
}

// The value of a "key: value" line (key without letter case, spaces around both trimmed), or a null
// text when the line has another key.
QString valueOf(const QString& line, QLatin1StringView key)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(key, Qt::CaseInsensitive))
        return {};
    const QString rest = trimmed.mid(key.size()).trimmed();
    if (!rest.startsWith(u':'))
        return {};
    return rest.mid(1).trimmed();
}

bool isUserAgentLine(const QString& line)
{
    return !valueOf(line, QLatin1StringView("user-agent")).isNull();
}

const QLatin1StringView kSitemap("sitemap");
const QLatin1StringView kContentSignal("content-signal");

// Removes the rows for which the test holds; an empty row left between two empty rows (or after
// the header block's empty row) goes too, so that removed lines leave no gap behind.
template <typename Test> void removeRows(QStringList& rows, Test test)
{
    for (qsizetype r = bodyEnd(rows) - 1; r >= kHeaderRows; --r) {
        if (!test(rows.at(r)))
            continue;
        rows.removeAt(r);
        if (r < bodyEnd(rows) && rows.at(r).isEmpty() && rows.at(r - 1).isEmpty())
            rows.removeAt(r);
    }
}

} // namespace

QStringList sitemaps(const QStringList& rows)
{
    QStringList urls;
    for (qsizetype r = kHeaderRows; r < bodyEnd(rows); ++r) {
        const QString url = valueOf(rows.at(r), kSitemap);
        if (!url.isNull())
            urls.append(url);
    }
    return urls;
}

bool setSitemaps(QStringList& rows, const QStringList& urls)
{
    if (sitemaps(rows) == urls)
        return false;
    removeRows(rows, [](const QString& row) { return !valueOf(row, kSitemap).isNull(); });
    if (urls.isEmpty())
        return true;
    QStringList block;
    if (!rows.value(bodyEnd(rows) - 1).isEmpty())
        block.append(QString());
    for (const QString& url : urls)
        block.append(QStringLiteral("Sitemap: ") + url);
    block.append(QString());
    const qsizetype at = bodyEnd(rows);
    for (qsizetype i = 0; i < block.size(); ++i)
        rows.insert(at + i, block.at(i));
    return true;
}

} // namespace sf::RuleGrid

namespace sf::RuleGrid {
namespace {

QString yesNo(const std::optional<bool>& value)
{
    return *value ? QStringLiteral("yes") : QStringLiteral("no");
}

// The row of "User-agent: *", or -1.
qsizetype allAgentsRow(const QStringList& rows)
{
    for (qsizetype r = kHeaderRows; r < bodyEnd(rows); ++r) {
        if (valueOf(rows.at(r), QLatin1StringView("user-agent")) == u"*")
            return r;
    }
    return -1;
}

// Removes the group's signal lines and the policy's comment lines; returns the row below the
// group's user-agent lines.
qsizetype clearSignal(QStringList& rows, qsizetype head)
{
    qsizetype below = head + 1;
    while (below < bodyEnd(rows) && isUserAgentLine(rows.at(below)))
        ++below;
    const QStringList& comment = contentSignalComment();
    for (qsizetype r = below; r < bodyEnd(rows) && !rows.at(r).trimmed().isEmpty();) {
        if (!valueOf(rows.at(r), kContentSignal).isNull() || comment.contains(rows.at(r)))
            rows.removeAt(r);
        else
            ++r;
    }
    return below;
}

// Gives the group at head a rule of its own, "Allow: /", right after the line at "after", when none of
// its rows up to the next empty row is a rule: without one, crawlers read its user-agent lines as
// part of the next group, whatever empty lines or other keys stand between.
void keepGroupApart(QStringList& rows, qsizetype head, qsizetype after)
{
    for (qsizetype r = head + 1; r < bodyEnd(rows) && !rows.at(r).trimmed().isEmpty(); ++r) {
        if (!valueOf(rows.at(r), QLatin1StringView("allow")).isNull() ||
            !valueOf(rows.at(r), QLatin1StringView("disallow")).isNull())
            return;
    }
    rows.insert(after + 1, QStringLiteral("Allow: /"));
}

} // namespace

QString ContentSignal::line() const
{
    QStringList uses;
    if (search)
        uses << QStringLiteral("search=") + yesNo(search);
    if (aiInput)
        uses << QStringLiteral("ai-input=") + yesNo(aiInput);
    if (aiTrain)
        uses << QStringLiteral("ai-train=") + yesNo(aiTrain);
    return QStringLiteral("Content-Signal: ") + uses.join(QStringLiteral(", "));
}

const QStringList& contentSignalComment()
{
    // The policy's own wording (published as CC0), one row each.
    static const QStringList comment{
        QStringLiteral("# As a condition of accessing this website, you agree to abide by the following "
                       "content signals:"),
        QStringLiteral("# (a) If a content-signal = yes, you may collect content for the corresponding use."),
        QStringLiteral(
            "# (b) If a content-signal = no, you may not collect content for the corresponding use."),
        QStringLiteral("# (c) If the website operator does not include a content signal for a corresponding "
                       "use, the website operator neither grants nor restricts permission via content signal "
                       "with respect to the corresponding use."),
        QStringLiteral("# The content signals and their meanings are:"),
        QStringLiteral("# search: building a search index and providing search results (e.g., returning "
                       "hyperlinks and short excerpts from your website's contents). Search does not include "
                       "providing AI-generated search summaries."),
        QStringLiteral("# ai-input: inputting content into one or more AI models (e.g., retrieval augmented "
                       "generation, grounding, or other real-time taking of content for generative AI search "
                       "answers)."),
        QStringLiteral("# ai-train: training or fine-tuning AI models."),
        QStringLiteral(
            "# ANY RESTRICTIONS EXPRESSED VIA CONTENT SIGNALS ARE EXPRESS RESERVATIONS OF RIGHTS UNDER "
            "ARTICLE 4 OF THE EUROPEAN UNION DIRECTIVE 2019/790 ON COPYRIGHT AND RELATED RIGHTS IN "
            "THE DIGITAL SINGLE MARKET.")};
    return comment;
}

void setContentSignal(QStringList& rows, const ContentSignal& signal, bool withComment)
{
    qsizetype head = allAgentsRow(rows);
    if (head < 0 && signal.isEmpty())
        return;
    if (head < 0) {
        head = std::min<qsizetype>(kGroupRow, rows.size());
        rows.insert(head, QStringLiteral("User-agent: *"));
        rows.insert(head + 1, QString());
    }
    qsizetype at = clearSignal(rows, head);
    if (signal.isEmpty())
        return;
    QStringList lines = withComment ? contentSignalComment() : QStringList();
    lines.append(signal.line());
    for (const QString& line : lines)
        rows.insert(at++, line);
    keepGroupApart(rows, head, at - 1);
}

} // namespace sf::RuleGrid
