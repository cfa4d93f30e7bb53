#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace sf {

// How a robots.txt file writes its text: the character encoding, a byte-order mark, and the line
// end. A project's own file is Windows-1252 with CR LF; a file read from the server keeps its form,
// so that uploading it unchanged gives back the same bytes.
struct RobotsTextForm {
    enum class Encoding { Windows1252, Utf8 };
    Encoding encoding = Encoding::Windows1252;
    bool byteOrderMark = false;
    bool crLf = true; // false: LF only

    bool operator==(const RobotsTextForm&) const = default;
};

// A line of a read file that the project file cannot keep as it stands.
struct UnholdableLine {
    enum class Reason { TooLong, EdgeSpaces, OutsideCodePage };
    int lineNumber = 0; // from 1, in the file as read
    Reason reason = Reason::TooLong;
};

// A robots.txt as read: its lines without line ends, and the form to write them back in.
struct RobotsTextFile {
    QStringList lines;
    RobotsTextForm form;
    QList<UnholdableLine> unholdable;
};

namespace RobotsText {

// Decodes a file: a UTF-8 byte-order mark, or bytes that are valid UTF-8, read as UTF-8; anything
// else as Windows-1252. Lines end at CR LF, LF or a lone CR; the line end of the first line is the
// form's. A final line end ends the last line, it does not start an empty one. The header block
// and the footer that this program writes around its rows are left out, since the grid has its own.
RobotsTextFile read(const QByteArray& bytes);
// The bytes of the rows in that form, every row followed by the line end.
QByteArray write(const QStringList& rows, const RobotsTextForm& form);
// The same with LF line ends, for transfers that write their own line ends.
QByteArray writeLf(const QStringList& rows, const RobotsTextForm& form);

// The lines that a project file would change: longer than a project line, with spaces at either
// end (trimmed when a project is read), or with characters Windows-1252 cannot hold.
QList<UnholdableLine> unholdableLines(const QStringList& lines);
QString reasonText(UnholdableLine::Reason reason);

// The grid with its body (between the header block and the footer) replaced by the lines.
QStringList gridWithBody(const QStringList& grid, const QStringList& lines);

} // namespace RobotsText
} // namespace sf
