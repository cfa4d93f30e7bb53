#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sf {

// The rows of the robots.txt being composed, one text per line, and the commands that change them.
// Rows 0 to 4 are the header block; groups are inserted at row 5; the last four rows are the footer.
namespace RuleGrid {

inline constexpr int kHeaderRows = 5;
inline constexpr int kGroupRow = 5;
inline constexpr int kProtectedTailRows = 5;

QString ruleLine();                               // 51 "#"
QString defaultHeaderText();                      // "Edit this robots.txt header in the Options menu"
QString signatureLine();                          // "# Made with Spiderfence: " + the web site's host
QString headerComment(const QString& headerText); // "# " + text

QStringList emptyGrid();          // nine empty rows: the grid of the no-project state
QStringList newProjectTemplate(); // the 9-row layout of a new project
// The 11-row allow-all and 12-row disallow-all layouts. The header text is trimmed of spaces and
// stored back; when not empty it becomes row 2.
QStringList allowAllTemplate(QString& headerText);
QStringList disallowAllTemplate(QString& headerText);

// The kind of line "Add rule" writes: "Disallow: " keeps a robot out of the path, "Allow: " makes an
// exception inside a blocked folder.
enum class Directive { Disallow, Allow };

// Adds "Disallow: " (or "Allow: ") + directory + "/" + name under the group of the user-agent (created at row
// 5 when the grid has none). Returns false, with the rows unchanged, for no entry, "..", or a name that holds
// a line break. The path is written so that it matches the entry's URL (see disallowPath).
bool addRule(QStringList& rows, const QString& userAgent, const QString& directory, const QString& entryName,
             Directive directive = Directive::Disallow);
// Whether the rule line for the entry fits one row of a project file: a longer line would be cut on
// save, possibly in the middle of a percent-escape. addRule refuses a rule that does not fit.
bool ruleFitsRow(const QString& directory, const QString& entryName,
                 Directive directive = Directive::Disallow);
// The path written after "Disallow: ": the entry's URL path as a crawler requests it (see
// rules::entryUrlPath), made into a pattern that matches it (rules::blockingPattern).
QString disallowPath(const QString& directory, const QString& entryName);

// Removes the line, or the whole group when the line names a user-agent. Returns whether it changed.
bool removeLineOrGroup(QStringList& rows, int selectedRow);

// Rewrites row 2 with the header text (the options window's Apply).
void setHeaderRow(QStringList& rows, const QString& headerText);

// The file's text: every row followed by CR LF, in Windows-1252.
QByteArray exportText(const QStringList& rows);
// The same lines ended by LF only, for transfers that convert line ends themselves.
QByteArray exportTextLf(const QStringList& rows);

} // namespace RuleGrid
} // namespace sf
