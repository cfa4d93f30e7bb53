#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace sf::RuleGrid {

// The URLs of the grid's "Sitemap:" lines, in grid order.
QStringList sitemaps(const QStringList& rows);
// Replaces the grid's "Sitemap:" lines by one line per URL, after the last group and before the
// footer, followed by an empty line. Returns whether the rows changed: the same URLs in the same
// order leave the grid as it stands.
bool setSitemaps(QStringList& rows, const QStringList& urls);

// The usage preferences of the content signals policy: unset, yes or no for each use.
struct ContentSignal {
    std::optional<bool> search;
    std::optional<bool> aiInput;
    std::optional<bool> aiTrain;

    bool isEmpty() const { return !search && !aiInput && !aiTrain; }
    // "Content-Signal: search=yes, ai-input=no, ai-train=no" with the uses that are set.
    QString line() const;
};

// The policy's explanatory comment lines.
const QStringList& contentSignalComment();

// Writes the signal into the "User-agent: *" group (created at row 5 when the grid has none),
// right below its user-agent lines, in place of a signal line and comment block already there; the
// comment block goes above the line when asked for. A group without a rule of its own gets
// "Allow: /" below the line, so that it never runs on into the next group.
void setContentSignal(QStringList& rows, const ContentSignal& signal, bool withComment);

} // namespace sf::RuleGrid
