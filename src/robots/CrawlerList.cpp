#include "robots/CrawlerList.h"

#include "base/CodePage.h"
#include "base/Translate.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>
#include <utility>

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("sf::CrawlerList")

QString purposeText(const char* term)
{
    return QString::fromLatin1(term);
}

// A text as a field of that width takes it: characters Windows-1252 lacks become "?", line breaks
// spaces, and a text too long is cut at a word with "..." after it.
QString fitField(QString text, int width)
{
    text = fromAnsi(toAnsi(text.simplified()));
    if (text.size() <= width)
        return text;
    qsizetype cut = text.lastIndexOf(u' ', width - 3);
    if (cut < width / 2)
        cut = width - 3;
    return text.left(cut).trimmed() + QStringLiteral("...");
}

// "[Name](https://...)" gives the name and the address; "Unclear at this time." gives nothing.
std::pair<QString, QString> parseOperator(const QString& text)
{
    static const QRegularExpression link(QStringLiteral(R"(^\s*\[([^\]]*)\]\(([^)\s]*)\)\s*(.*)$)"));
    const QRegularExpressionMatch match = link.match(text);
    if (match.hasMatch())
        return {(match.captured(1) + u' ' + match.captured(3)).trimmed(), match.captured(2)};
    if (text.startsWith(QLatin1String("Unclear"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("No information"), Qt::CaseInsensitive))
        return {};
    return {text.trimmed(), {}};
}

qint16 categoryOf(const QString& purpose, const QString& token)
{
    if (token.contains(QLatin1String("image"), Qt::CaseInsensitive))
        return robotCategoryNumber(u"Image");
    if (purpose == u"search engine" || purpose == u"AI search")
        return robotCategoryNumber(u"Search");
    if (purpose == u"feed reader")
        return robotCategoryNumber(u"News");
    if (purpose == u"mail proxy")
        return robotCategoryNumber(u"Email");
    return kCategoryNone;
}

RobotRecord baseRecord(CrawlerListFormat format, const QString& token)
{
    RobotRecord record;
    record.Robot_name = token;
    record.Robot_exclusion_useragent = token;
    record.Robot_status = QStringLiteral("active");
    record.Modified_by = importMark(format);
    return record;
}

QString robotTypeOfFunction(const QString& purpose)
{
    return purpose == u"AI assistant fetch" ? QStringLiteral("agent") : QStringLiteral("crawler");
}

RobotRecord aiRecord(const QString& token, const QJsonObject& entry)
{
    RobotRecord record = baseRecord(CrawlerListFormat::AiCrawlers, token);
    const auto [owner, ownerUrl] = parseOperator(entry.value(u"operator").toString());
    record.Robot_owner_name = fitField(owner, 150);
    if (ownerUrl.startsWith(QLatin1String("http")))
        record.Robot_owner_url = fitField(ownerUrl, 250);
    record.Robot_purpose = purposeOfFunction(entry.value(u"function").toString());
    record.Robot_type = robotTypeOfFunction(record.Robot_purpose);
    record.Robot_exclusions =
        toRobotFlag(statedObedience(entry.value(u"respect").toString()).value_or(false));
    record.Robot_description = fitField(entry.value(u"description").toString(), 250);
    const QString frequency = entry.value(u"frequency").toString();
    QString history = QStringLiteral("Listed in ai.robots.txt.");
    if (!frequency.isEmpty() && !frequency.startsWith(QLatin1String("Unclear")) &&
        !frequency.startsWith(QLatin1String("No information")))
        history += QStringLiteral(" Frequency: ") + frequency;
    record.Robot_history = fitField(history, 150);
    record.Robot_category = categoryOf(record.Robot_purpose, token);
    return record;
}

// The instance's own spelling of a literal the pattern may have matched in any case.
QString spelledAsSeen(const QString& literal, const QJsonArray& instances)
{
    for (const auto& instance : instances) {
        const QString text = instance.toString();
        const qsizetype at = text.indexOf(literal, 0, Qt::CaseInsensitive);
        if (at >= 0)
            return text.mid(at, literal.size());
    }
    return literal;
}

QString shortestInstance(const QJsonArray& instances)
{
    QString best;
    for (const auto& instance : instances) {
        const QString text = instance.toString().simplified();
        if (!text.isEmpty() && fitsAnsi(text) && text.size() <= 150 &&
            (best.isEmpty() || text.size() < best.size()))
            best = text;
    }
    return best;
}

RobotRecord agentRecord(const QString& token, const QString& purpose, const QJsonObject& entry)
{
    RobotRecord record = baseRecord(CrawlerListFormat::CrawlerUserAgents, token);
    const QString url = entry.value(u"url").toString();
    if (url.startsWith(QLatin1String("http")))
        record.Robot_cover_url = fitField(url, 250);
    record.Robot_purpose = purpose;
    record.Robot_type = purpose == u"feed reader" || purpose == u"link preview" ? QStringLiteral("fetcher")
                                                                                : QStringLiteral("crawler");
    record.Robot_useragent = shortestInstance(entry.value(u"instances").toArray());
    record.Robot_description = fitField(entry.value(u"description").toString(), 250);
    const QString added = entry.value(u"addition_date").toString();
    if (!added.isEmpty())
        record.Robot_history = fitField(
            QStringLiteral("Listed in crawler-user-agents since %1.").arg(QString(added).replace(u'/', u'-')),
            150);
    record.Robot_category = categoryOf(purpose, token);
    return record;
}

// Adds a record, or completes the one already listed under its token with the facts it lacks.
class RecordCollector {
public:
    explicit RecordCollector(CrawlerList& list) : m_list(list) {}
    // obeys: what the entry states of its robot's obedience to robots.txt, if anything.
    void add(RobotRecord record, std::optional<bool> obeys = std::nullopt)
    {
        const QString key = record.Robot_exclusion_useragent.toLower();
        const auto found = m_index.constFind(key);
        const bool stated = m_list.statedExclusions.contains(key);
        if (obeys && !stated)
            m_list.statedExclusions.insert(key);
        if (found == m_index.cend()) {
            m_index.insert(key, m_list.robots.size());
            m_list.robots.append(std::move(record));
            return;
        }
        RobotRecord& first = m_list.robots[*found];
        if (obeys && !stated)
            first.Robot_exclusions = toRobotFlag(*obeys);
        for (const RobotFieldInfo& field : robotFields()) {
            if (field.type == RobotFieldType::Text && (first.*field.text).isEmpty())
                first.*field.text = record.*field.text;
        }
    }

private:
    CrawlerList& m_list;
    QHash<QString, qsizetype> m_index;
};

bool looksLikeAiList(const QJsonObject& object)
{
    if (object.isEmpty())
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        if (!it.value().isObject() || !(entry.contains(u"function") || entry.contains(u"operator")))
            return false;
    }
    return true;
}

bool looksLikeAgentList(const QJsonArray& array)
{
    if (array.isEmpty())
        return false;
    for (const auto& value : array) {
        if (!value.isObject() || !value.toObject().value(u"pattern").isString())
            return false;
    }
    return true;
}

void readAiList(const QJsonObject& object, CrawlerList& list)
{
    list.format = CrawlerListFormat::AiCrawlers;
    RecordCollector collector(list);
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString token = it.key().trimmed();
        if (!isValidRobotToken(token)) {
            ++list.invalidTokens;
            continue;
        }
        const QJsonObject entry = it.value().toObject();
        collector.add(aiRecord(token, entry), statedObedience(entry.value(u"respect").toString()));
    }
}

void readAgentList(const QJsonArray& array, CrawlerList& list)
{
    list.format = CrawlerListFormat::CrawlerUserAgents;
    RecordCollector collector(list);
    for (const auto& value : array) {
        const QJsonObject entry = value.toObject();
        QStringList tags;
        for (const auto& tag : entry.value(u"tags").toArray())
            tags << tag.toString();
        const QString purpose = purposeOfTags(tags);
        if (purpose.isEmpty()) {
            ++list.notCrawlers;
            continue;
        }
        QString token = patternLiteral(entry.value(u"pattern").toString()).trimmed();
        token = spelledAsSeen(token, entry.value(u"instances").toArray());
        if (token.contains(u'/') || !isValidRobotToken(token)) { // a path or address, not a name
            ++list.invalidTokens;
            continue;
        }
        collector.add(agentRecord(token, purpose, entry));
    }
}

} // namespace

QString importMark(CrawlerListFormat format)
{
    return format == CrawlerListFormat::AiCrawlers ? QStringLiteral("Imported from ai.robots.txt")
                                                   : QStringLiteral("Imported from crawler-user-agents");
}

bool isImportMark(const QString& modifiedBy)
{
    return modifiedBy.startsWith(QLatin1String("Imported from "));
}

bool isValidRobotToken(const QString& token)
{
    if (token.isEmpty() || token.size() > 150 || !token.front().isLetterOrNumber())
        return false;
    for (const QChar c : token) {
        const bool ascii = c.unicode() < 0x80;
        if (!ascii ||
            !(c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' || c == u'.' || c == u'/'))
            return false;
    }
    return !token.endsWith(u' ');
}

std::optional<bool> statedObedience(const QString& respect)
{
    // The word alone, or as the text of a link to where the operator says so.
    static const QRegularExpression stated(
        QStringLiteral(R"(^\s*(?:(yes|no)|\[(yes|no)\]\([^)]*\))\s*\.?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = stated.match(respect);
    if (!match.hasMatch())
        return std::nullopt;
    const QString word = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    return word.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QString purposeOfFunction(const QString& function)
{
    // The first rule whose word the text holds (case-insensitively) gives the purpose.
    static const std::array<std::pair<const char*, const char*>, 14> rules{{
        {"assistant", "AI assistant fetch"},
        {"agent", "AI assistant fetch"},
        {"user-initiated", "AI assistant fetch"},
        {"user prompts", "AI assistant fetch"},
        {"answers", "AI assistant fetch"},
        {"train", "AI model training"},
        {"LLM", "AI model training"},
        {"language model", "AI model training"},
        {"machine learning model", "AI model training"},
        {"search", "AI search"},
        {"data provider", "AI data collection"},
        {"scrap", "AI data collection"},
        {"dataset", "AI data collection"},
        {"data", "AI data collection"},
    }};
    for (const auto& [word, purpose] : rules) {
        if (function.contains(QLatin1String(word), Qt::CaseInsensitive))
            return purposeText(purpose);
    }
    return QStringLiteral("AI data collection");
}

QString purposeOfTags(const QStringList& tags)
{
    // In this order: a crawler with several tags takes the first of them found here.
    static const std::array<std::pair<const char*, const char*>, 10> rules{{
        {"ai-crawler", "AI data collection"},
        {"search-engine", "search engine"},
        {"seo", "SEO tool"},
        {"advertising", "advertising"},
        {"archiver", "archive"},
        {"feed-reader", "feed reader"},
        {"social-preview", "link preview"},
        {"monitoring", "monitoring"},
        {"academic", "other"},
        {"", ""},
    }};
    for (const auto& [tag, purpose] : rules) {
        if (*tag && tags.contains(QLatin1String(tag)))
            return purposeText(purpose);
    }
    return {};
}

QString patternLiteral(const QString& pattern)
{
    QString literal;
    qsizetype i = pattern.startsWith(u'^') ? 1 : 0;
    for (; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size() && !pattern[i + 1].isLetterOrNumber()) {
            literal += pattern[++i];
        } else if (c == u'[' && i + 3 < pattern.size() && pattern[i + 3] == u']' &&
                   pattern[i + 1].toLower() == pattern[i + 2].toLower()) {
            literal += pattern[i + 1]; // [cC]: one letter in either case
            i += 3;
        } else if (c == u'$' && i + 1 == pattern.size()) {
            break;
        } else if (QStringView(u"\\[](){}|*+?^$").contains(c)) {
            return {};
        } else {
            literal += c;
        }
    }
    while (literal.endsWith(u'/'))
        literal.chop(1);
    return literal;
}

Result<void> readCrawlerList(const QByteArray& json, CrawlerList& list)
{
    list = CrawlerList{};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        return Result<void>::failure(tr("The file is not a crawler list: it is not JSON (%1 at byte %2).")
                                         .arg(error.errorString())
                                         .arg(error.offset));
    if (document.isObject() && looksLikeAiList(document.object()))
        readAiList(document.object(), list);
    else if (document.isArray() && looksLikeAgentList(document.array()))
        readAgentList(document.array(), list);
    else
        return Result<void>::failure(tr("The file is JSON, but neither a list of AI crawlers (tokens with "
                                        "\"operator\" and \"function\") nor a list of crawler user-agents "
                                        "(entries with a \"pattern\")."));
    return {};
}

} // namespace sf
