#include "project/RobotsText.h"

#include "base/CodePage.h"
#include "project/ProjectFile.h"
#include "project/RuleGrid.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace sf::RobotsText {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QString decode(QByteArrayView bytes, RobotsTextForm& form)
{
    if (bytes.startsWith(kBom)) {
        form.encoding = RobotsTextForm::Encoding::Utf8;
        form.byteOrderMark = true;
        bytes = bytes.sliced(kBom.size());
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        form.encoding = RobotsTextForm::Encoding::Utf8;
        return text;
    }
    form.byteOrderMark = false;
    form.encoding = RobotsTextForm::Encoding::Windows1252;
    return fromAnsi(bytes.data(), bytes.size());
}

// Splits at CR LF, LF and lone CR; the first line end found sets the form's.
QStringList splitLines(const QString& text, RobotsTextForm& form)
{
    QStringList lines;
    bool formSet = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\n' && c != u'\r')
            continue;
        lines.append(text.mid(start, i - start));
        const bool pair = c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n';
        if (!formSet) {
            form.crLf = pair || c == u'\r';
            formSet = true;
        }
        i += pair ? 1 : 0;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool isOwnHeader(const QStringList& lines)
{
    return lines.size() >= RuleGrid::kHeaderRows && lines.at(0) == RuleGrid::ruleLine() &&
           lines.at(1) == u"#" && lines.at(2).startsWith(QLatin1String("# ")) && lines.at(3) == u"#" &&
           lines.at(4).isEmpty();
}

bool isOwnFooter(const QStringList& lines)
{
    const qsizetype n = lines.size();
    return n >= 4 && lines.at(n - 4) == u"#" &&
           lines.at(n - 3).startsWith(QLatin1String("# Made with Spiderfence: ")) &&
           lines.at(n - 2) == RuleGrid::ruleLine() && lines.at(n - 1).isEmpty();
}

QByteArray encodeRows(const QStringList& rows, const RobotsTextForm& form, const char* lineEnd)
{
    const bool utf8 = form.encoding == RobotsTextForm::Encoding::Utf8;
    QByteArray out = utf8 && form.byteOrderMark ? kBom : QByteArray();
    for (const QString& row : rows)
        out += (utf8 ? row.toUtf8() : toAnsi(row)) + lineEnd;
    return out;
}

} // namespace

RobotsTextFile read(const QByteArray& bytes)
{
    RobotsTextFile file;
    file.lines = splitLines(decode(bytes, file.form), file.form);
    int skipped = 0;
    if (isOwnHeader(file.lines)) {
        file.lines.remove(0, RuleGrid::kHeaderRows);
        skipped = RuleGrid::kHeaderRows;
    }
    if (isOwnFooter(file.lines))
        file.lines.remove(file.lines.size() - 4, 4);
    file.unholdable = unholdableLines(file.lines);
    for (UnholdableLine& line : file.unholdable)
        line.lineNumber += skipped;
    return file;
}

QByteArray write(const QStringList& rows, const RobotsTextForm& form)
{
    return encodeRows(rows, form, form.crLf ? "\r\n" : "\n");
}

QByteArray writeLf(const QStringList& rows, const RobotsTextForm& form)
{
    return encodeRows(rows, form, "\n");
}

QList<UnholdableLine> unholdableLines(const QStringList& lines)
{
    QList<UnholdableLine> found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const int number = static_cast<int>(i) + 1;
        if (line.size() > ProjectFile::kLineWidth)
            found.append({number, UnholdableLine::Reason::TooLong});
        else if (line.startsWith(u' ') || line.endsWith(u' '))
            found.append({number, UnholdableLine::Reason::EdgeSpaces});
        else if (fromAnsi(toAnsi(line)) != line)
            found.append({number, UnholdableLine::Reason::OutsideCodePage});
    }
    return found;
}

QString reasonText(UnholdableLine::Reason reason)
{
    switch (reason) {
    case UnholdableLine::Reason::TooLong:
        return QCoreApplication::translate("sf::RobotsText", "longer than %1 characters")
            .arg(ProjectFile::kLineWidth);
    case UnholdableLine::Reason::EdgeSpaces:
        return QCoreApplication::translate("sf::RobotsText", "begins or ends with a space");
    case UnholdableLine::Reason::OutsideCodePage:
        return QCoreApplication::translate("sf::RobotsText", "holds characters outside Windows-1252");
    }
    return {};
}

QStringList gridWithBody(const QStringList& grid, const QStringList& lines)
{
    const QStringList frame =
        grid.size() >= RuleGrid::kHeaderRows + 4 ? grid : RuleGrid::newProjectTemplate();
    QStringList rows = frame.mid(0, RuleGrid::kHeaderRows);
    rows.reserve(RuleGrid::kHeaderRows + lines.size() + 4);
    rows += lines;
    rows += frame.mid(frame.size() - 4);
    return rows;
}

} // namespace sf::RobotsText
