#include "ftp/ListingParser.h"

#include "ftp/RemoteName.h"

#include <QStringList>

#include <algorithm>

namespace sf::ftp {

namespace {

struct Token {
    qsizetype start = 0;
    qsizetype end = 0; // one past the last character
    QStringView text;
};

QList<Token> tokenize(const QString& line)
{
    QList<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i] == QLatin1Char(' '))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && line[i] != QLatin1Char(' '))
            ++i;
        tokens.append({start, i, QStringView(line).mid(start, i - start)});
    }
    return tokens;
}

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit())
            return false;
    return true;
}

int monthNumber(QStringView text)
{
    static const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3)
        return 0;
    for (int m = 0; m < 12; ++m)
        if (text.compare(QLatin1String(names[m]), Qt::CaseInsensitive) == 0)
            return m + 1;
    return 0;
}

bool isUnixMode(QStringView mode)
{
    if (mode.size() < 10 || !QStringView(u"-dlbcpsD").contains(mode[0]))
        return false;
    for (int i = 1; i < 10; ++i)
        if (!QStringView(u"rwxsStTlL-").contains(mode[i]))
            return false;
    return true;
}

// "13:05" -> time; anything else -> invalid.
QTime clockTime(QStringView text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 1 || !allDigits(text.left(colon)) || !allDigits(text.mid(colon + 1)))
        return {};
    return QTime(text.left(colon).toInt(), text.mid(colon + 1).toInt());
}

// A month and day without a year: the latest year that does not put the date after now.
QDateTime dateWithoutYear(int month, int day, QTime time, const QDateTime& nowUtc)
{
    const QDateTime limit = nowUtc.addDays(1);
    for (int year = nowUtc.date().year() + 1; year > nowUtc.date().year() - 8; --year) {
        const QDate date(year, month, day);
        if (!date.isValid())
            continue;
        QDateTime candidate(date, time, Qt::UTC);
        if (candidate <= limit)
            return candidate;
    }
    return {};
}

// Finds "Mon dd hh:mm|yyyy" preceded by a size; returns the index of the month token or -1.
qsizetype findUnixDate(const QList<Token>& tokens)
{
    for (qsizetype i = 2; i + 2 < tokens.size(); ++i) {
        if (monthNumber(tokens[i].text) == 0 || !allDigits(tokens[i - 1].text) ||
            !allDigits(tokens[i + 1].text))
            continue;
        const QStringView last = tokens[i + 2].text;
        if (clockTime(last).isValid() || (last.size() == 4 && allDigits(last)))
            return i;
    }
    return -1;
}

bool asciiDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The number that ASCII digits spell.
int asciiNumber(QStringView digits)
{
    int number = 0;
    for (const QChar c : digits)
        number = number * 10 + (c.unicode() - u'0');
    return number;
}

QDateTime mlsdTime(QStringView value)
{
    // The digits are read here: six number conversions of the locale's own took a tenth of a line's time.
    if (value.size() < 14 || !asciiDigits(value.left(14)))
        return {};
    const QDate date(asciiNumber(value.sliced(0, 4)), asciiNumber(value.sliced(4, 2)),
                     asciiNumber(value.sliced(6, 2)));
    const QTime time(asciiNumber(value.sliced(8, 2)), asciiNumber(value.sliced(10, 2)),
                     asciiNumber(value.sliced(12, 2)));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

// IIS writes the name in column 39, after the size (right-aligned to column 38) or after "<DIR>"
// and its padding. Where the line keeps that layout the name's own leading spaces survive; other
// servers put one space before the name.
qsizetype dosNameStart(const QString& line, qsizetype fieldEnd)
{
    constexpr qsizetype kNameColumn = 39;
    if (fieldEnd < kNameColumn && line.size() > kNameColumn) {
        bool padded = true;
        for (qsizetype i = fieldEnd; i < kNameColumn && padded; ++i)
            padded = line[i] == QLatin1Char(' ');
        if (padded)
            return kNameColumn;
    }
    return fieldEnd + 1;
}

bool isDotEntry(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

} // namespace

std::optional<ListingEntry> parseMlsdLine(const QString& line)
{
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0)
        return std::nullopt;
    ListingEntry entry;
    // The facts are read in place: splitting them into strings of their own took most of the time
    // a listing spends in this parser.
    for (const QStringView fact : QStringView(line).left(space).tokenize(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = fact.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QStringView key = fact.left(eq);
        const QStringView value = fact.mid(eq + 1);
        if (key.compare(u"type", Qt::CaseInsensitive) == 0) {
            if (value.compare(u"cdir", Qt::CaseInsensitive) == 0 ||
                value.compare(u"pdir", Qt::CaseInsensitive) == 0)
                return std::nullopt;
            entry.isDirectory = value.compare(u"dir", Qt::CaseInsensitive) == 0;
            entry.isLink = value.startsWith(u"os.unix=slink", Qt::CaseInsensitive) ||
                           value.startsWith(u"os.unix=symlink", Qt::CaseInsensitive);
        } else if (key.compare(u"size", Qt::CaseInsensitive) == 0 ||
                   key.compare(u"sizd", Qt::CaseInsensitive) == 0) {
            entry.size = value.toLongLong();
        } else if (key.compare(u"modify", Qt::CaseInsensitive) == 0) {
            entry.modified = mlsdTime(value);
        }
    }
    entry.name = line.mid(space + 1);
    if (entry.name.isEmpty() || isDotEntry(entry.name))
        return std::nullopt;
    return entry;
}

std::optional<ListingEntry> parseUnixListLine(const QString& line, const QDateTime& nowUtc)
{
    const QList<Token> tokens = tokenize(line);
    if (tokens.size() < 6 || !isUnixMode(tokens[0].text))
        return std::nullopt;
    const qsizetype m = findUnixDate(tokens);
    if (m < 0)
        return std::nullopt;
    ListingEntry entry;
    entry.isDirectory = tokens[0].text[0] == QLatin1Char('d') || tokens[0].text[0] == QLatin1Char('D');
    entry.isLink = tokens[0].text[0] == QLatin1Char('l');
    entry.size = tokens[m - 1].text.toLongLong();
    const int month = monthNumber(tokens[m].text);
    const int day = tokens[m + 1].text.toInt();
    const QStringView last = tokens[m + 2].text;
    const QTime time = clockTime(last);
    entry.hasTime = time.isValid();
    if (entry.hasTime)
        entry.modified = dateWithoutYear(month, day, time, nowUtc);
    else
        entry.modified = QDateTime(QDate(last.toInt(), month, day), QTime(0, 0), Qt::UTC);
    // The name begins after exactly one space, so leading and inner spaces survive.
    entry.name = line.mid(tokens[m + 2].end + 1);
    if (entry.isLink) {
        const qsizetype arrow = entry.name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0) {
            entry.linkTarget = entry.name.mid(arrow + 4);
            entry.name.truncate(arrow);
        }
    }
    if (entry.name.isEmpty() || isDotEntry(entry.name))
        return std::nullopt;
    return entry;
}

std::optional<ListingEntry> parseDosListLine(const QString& line)
{
    const QList<Token> tokens = tokenize(line);
    if (tokens.size() < 4)
        return std::nullopt;
    const QStringList dateParts = tokens[0].text.toString().split(QLatin1Char('-'));
    if (dateParts.size() != 3 || !allDigits(dateParts[0]) || !allDigits(dateParts[1]) ||
        !allDigits(dateParts[2]))
        return std::nullopt;
    int year = dateParts[2].toInt();
    if (dateParts[2].size() == 2)
        year += year < 70 ? 2000 : 1900;
    const QDate date(year, dateParts[0].toInt(), dateParts[1].toInt());

    qsizetype next = 1;
    QString clock = tokens[1].text.toString().toUpper();
    if (tokens[2].text.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0 ||
        tokens[2].text.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0) {
        clock += tokens[2].text.toString().toUpper();
        ++next;
    }
    const bool pm = clock.endsWith(QLatin1String("PM"));
    const bool am = clock.endsWith(QLatin1String("AM"));
    QTime time = clockTime(QStringView(clock).left(clock.size() - ((am || pm) ? 2 : 0)));
    if (!date.isValid() || !time.isValid() || next + 2 >= tokens.size())
        return std::nullopt;
    if (pm && time.hour() < 12)
        time = time.addSecs(12 * 3600);
    else if (am && time.hour() == 12)
        time = time.addSecs(-12 * 3600);

    const Token& sizeOrDir = tokens[next + 1];
    ListingEntry entry;
    if (sizeOrDir.text.compare(QLatin1String("<DIR>"), Qt::CaseInsensitive) == 0)
        entry.isDirectory = true;
    else if (allDigits(sizeOrDir.text))
        entry.size = sizeOrDir.text.toLongLong();
    else
        return std::nullopt;
    entry.modified = QDateTime(date, time, Qt::UTC);
    entry.name = line.mid(dosNameStart(line, sizeOrDir.end));
    if (entry.name.isEmpty() || isDotEntry(entry.name))
        return std::nullopt;
    return entry;
}

std::optional<ListingEntry> parseListLine(const QString& line, const QDateTime& nowUtc)
{
    if (!line.isEmpty() && line[0].isDigit())
        return parseDosListLine(line);
    return parseUnixListLine(line, nowUtc);
}

void ListingStream::parseLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    const QString text = nameFromServer(line);
    auto entry = m_machine ? parseMlsdLine(text) : parseListLine(text, m_now);
    if (entry)
        m_entries.append(std::move(*entry));
}

void ListingStream::feed(const char* data, qsizetype size)
{
    const QByteArrayView chunk(data, size);
    qsizetype start = 0;
    for (qsizetype end = chunk.indexOf('\n'); end >= 0; end = chunk.indexOf('\n', start)) {
        if (m_pending.isEmpty()) {
            parseLine(chunk.sliced(start, end - start));
        } else {
            m_pending.append(chunk.sliced(start, end - start));
            parseLine(m_pending);
            m_pending.clear();
        }
        start = end + 1;
    }
    m_pending.append(chunk.sliced(start));
}

void ListingStream::finish()
{
    parseLine(m_pending);
    m_pending.clear();
}

void ListingStream::restart()
{
    m_pending.clear();
    m_entries.clear();
}

QList<ListingEntry> parseListing(const QByteArray& data, bool machineListing, const QDateTime& nowUtc)
{
    ListingStream stream(machineListing, nowUtc);
    stream.feed(data.constData(), data.size());
    stream.finish();
    return std::move(stream.entries());
}

bool matchesPattern(const QString& name, const QString& pattern)
{
    if (pattern.isEmpty() || pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    // Iterative wildcard match with one back-tracking point for the last "*".
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace sf::ftp
