#pragma once

#include "base/Result.h"
#include "robots/RobotRecord.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace sf {

// The two community lists of crawlers the program reads, told apart by their shape: an object
// whose members are tokens with "operator", "function", "respect" and "description" (a list of AI
// crawlers), or an array of objects with a "pattern" and "tags" (a list of crawler user-agents).
enum class CrawlerListFormat { AiCrawlers, CrawlerUserAgents };

// What a list says, turned into robot records: one record per exclusion token (entries that share
// a token case-insensitively are one record, the first entry's facts first), in list order (the AI
// list's in the order of its keys).
struct CrawlerList {
    CrawlerListFormat format = CrawlerListFormat::AiCrawlers;
    QList<RobotRecord> robots;
    int invalidTokens = 0; // entries whose token no "User-agent:" line can carry
    int notCrawlers = 0;   // entries of libraries, scanners and browser tools, which read no robots.txt
    // The tokens (lower case) whose obedience to robots.txt the list states, yes or no; for the
    // others ("Unclear at this time.", no answer) a record's Robot_exclusions says nothing.
    QSet<QString> statedExclusions;
};

// The "modified by" mark of a record that an import of that list wrote. An import updates only the
// records it finds marked so; any other mark (the editor's, the reviewed table's) is kept.
QString importMark(CrawlerListFormat format);
// Whether a record's mark says that an import of some list wrote it.
bool isImportMark(const QString& modifiedBy);

// Whether a text can be a robot's exclusion token: 1 to 150 characters, starting with a letter or a
// digit, then letters, digits, spaces and "-_./" (a line "User-agent: " + token reads it back whole).
bool isValidRobotToken(const QString& token);

// The purpose (of the vocabulary in RobotPurposes.h) an AI list's "function" text maps to, and the
// purpose a user-agent list's tags map to (empty for tags of non-crawlers only).
QString purposeOfFunction(const QString& function);
QString purposeOfTags(const QStringList& tags);
// The literal a user-agent pattern matches, when it is one ("Googlebot\/" is "Googlebot",
// "[cC]laude[bB]ot" is "claudebot"); empty for a pattern with wildcards, repeats or alternatives.
QString patternLiteral(const QString& pattern);
// What an AI list's "respect" text states: yes for "Yes" or "[Yes](https://...)", no for "No" or
// "[No](https://...)", nothing for any other text ("Unclear at this time.", "At the discretion...").
std::optional<bool> statedObedience(const QString& respect);

// Reads either list from JSON bytes. Fails, with a message for the user, on bytes that are not
// JSON or JSON of neither shape. Records get the list's facts, category and purpose, and the
// import mark; the caller stamps the date and the robot-list version.
Result<void> readCrawlerList(const QByteArray& json, CrawlerList& list);

} // namespace sf
