#include "base/CodePage.h"

#include <QtEndian>

#include <array>
#include <cstdint>
#include <cstring>

namespace sf {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F; the five unassigned bytes map to themselves.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Writes the text's bytes to out (room for text.size() bytes) and returns how many it wrote.
qsizetype encodeInto(QStringView text, char* out)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) { // the common case first: ASCII is itself
            out[n++] = static_cast<char>(c);
            continue;
        }
        const QChar ch(c);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // one character outside the code page, one '?'
        out[n++] = ch.isSurrogate() ? '?' : encodeChar(c);
    }
    return n;
}

} // namespace

QByteArray toAnsi(const QString& text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(encodeInto(text, out.data()));
    return out;
}

QString fromAnsi(const char* data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHighTable[b - 0x80]) : QChar(b);
    }
    return out;
}

bool fitsAnsi(const QString& text)
{
    for (const QChar ch : text)
        if (ch.isSurrogate() || (encodeChar(ch.unicode()) == '?' && ch != u'?'))
            return false;
    return true;
}

void writeFixedText(char* field, int width, const QString& text)
{
    const qsizetype n = encodeInto(QStringView(text).left(width), field);
    std::memset(field + n, ' ', static_cast<std::size_t>(width - n));
}

QString readFixedText(const char* field, int width)
{
    // A stored field is mostly padding: skip the trailing spaces eight at a time.
    constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;
    int end = width;
    while (end >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, field + end - 8, sizeof word);
        if (word != kEightSpaces)
            break;
        end -= 8;
    }
    while (end > 0 && field[end - 1] == ' ')
        --end;
    int begin = 0;
    while (begin < end && field[begin] == ' ')
        ++begin;
    return fromAnsi(field + begin, end - begin);
}

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

void writeInt16(char* field, qint16 value)
{
    qToLittleEndian<qint16>(value, field);
}

qint16 readInt16(const char* field)
{
    return qFromLittleEndian<qint16>(field);
}

void writeDouble(char* field, double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, field);
}

double readDouble(const char* field)
{
    const quint64 bits = qFromLittleEndian<quint64>(field);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace sf
