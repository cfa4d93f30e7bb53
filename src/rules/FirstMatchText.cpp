#include "rules/FirstMatchText.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <iterator>

namespace sf::rules::firstmatch {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The code point at pos of valid UTF-8, and its length in bytes.
char32_t codePointAt(std::string_view text, size_t pos, size_t& length)
{
    const auto b = static_cast<unsigned char>(text[pos]);
    length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (length == 1 || pos + length > text.size())
        return length = 1, b;
    char32_t c = b & (0x7F >> length);
    for (size_t i = 1; i < length; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    return c;
}

bool isPythonSpace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Digits that str.isdigit() accepts and int() does not: superscripts, circled digits and the like.
bool isNonDecimalDigit(char32_t c)
{
    static const char32_t ranges[][2] = {
        {0xB2, 0xB3},     {0xB9, 0xB9},       {0x1369, 0x1371},   {0x19DA, 0x19DA},   {0x2070, 0x2070},
        {0x2074, 0x2079}, {0x2080, 0x2089},   {0x2460, 0x2468},   {0x2474, 0x247C},   {0x2488, 0x2490},
        {0x24EA, 0x24EA}, {0x24F5, 0x24FD},   {0x24FF, 0x24FF},   {0x2776, 0x277E},   {0x2780, 0x2788},
        {0x278A, 0x2792}, {0x10A40, 0x10A43}, {0x10E60, 0x10E68}, {0x11052, 0x1105A}, {0x1F100, 0x1F10A}};
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const char32_t* r) { return c >= r[0] && c <= r[1]; });
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isAsciiDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The bytes of one maximal run of ASCII with its "%XX" decoded, then read as UTF-8 with replacement.
void appendUnquotedRun(std::string& out, std::string_view run)
{
    std::string bytes;
    for (size_t i = 0; i < run.size(); ++i) {
        if (run[i] == '%' && i + 2 < run.size() && hexValue(run[i + 1]) >= 0 && hexValue(run[i + 2]) >= 0) {
            bytes += static_cast<char>(hexValue(run[i + 1]) * 16 + hexValue(run[i + 2]));
            i += 2;
        } else {
            bytes += run[i];
        }
    }
    out += replaceInvalidUtf8(bytes);
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    // Replacement changes every invalid part, and nothing else.
    return replaceInvalidUtf8(bytes) == bytes;
}

std::string replaceInvalidUtf8(std::string_view t)
{
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size();) {
        const auto b = static_cast<unsigned char>(t[i]);
        if (b < 0x80) {
            out += t[i++];
            continue;
        }
        int need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            need = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            need = 2, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4)
            need = 3, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        size_t j = i + 1;
        bool whole = need > 0;
        for (int k = 0; k < need; ++k, ++j) {
            const auto c = j < t.size() ? static_cast<unsigned char>(t[j]) : 0;
            if (j >= t.size() || c < (k == 0 ? lo : 0x80) || c > (k == 0 ? hi : 0xBF)) {
                whole = false;
                break;
            }
        }
        out += whole ? t.substr(i, j - i) : kReplacement;
        i = std::max(j, i + 1);
    }
    return out;
}

std::string_view strip(std::string_view text)
{
    size_t begin = 0, length = 0;
    while (begin < text.size() && isPythonSpace(codePointAt(text, begin, length)))
        begin += length;
    size_t end = text.size();
    while (end > begin) {
        size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        if (!isPythonSpace(codePointAt(text, start, length)))
            break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

std::vector<TextLine> splitLines(std::string_view text)
{
    std::vector<TextLine> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t end = 0; // the length of the line end found at i
        if (b == '\r')
            end = i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
        else if (b == '\n' || b == 0x0B || b == 0x0C || b == 0x1C || b == 0x1D || b == 0x1E)
            end = 1;
        else if (text.substr(i, 2) == "\xC2\x85")
            end = 2;
        else if (text.substr(i, 3) == "\xE2\x80\xA8" || text.substr(i, 3) == "\xE2\x80\xA9")
            end = 3;
        if (end == 0) {
            ++i;
            continue;
        }
        lines.push_back({start, text.substr(start, i - start)});
        i += end;
        start = i;
    }
    if (start < text.size())
        lines.push_back({start, text.substr(start)});
    return lines;
}

std::string unquote(std::string_view text)
{
    if (text.find('%') == std::string_view::npos)
        return std::string(text);
    std::string out;
    size_t run = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
            continue;
        appendUnquotedRun(out, text.substr(run, i - run));
        if (i < text.size())
            out += text[i];
        run = i + 1;
    }
    return out;
}

std::string quote(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (isAsciiAlpha(c) || isAsciiDigit(c) || c == '_' || c == '.' || c == '-' || c == '~' || c == '/') {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

std::string lower(std::string_view text)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(text);
        for (char& c : out)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        return out;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

bool digitsRejected(std::string_view text, bool& isDigits)
{
    text = strip(text);
    bool nonDecimal = false;
    size_t count = 0, length = 0;
    isDigits = !text.empty();
    for (size_t i = 0; i < text.size() && isDigits; i += length, ++count) {
        const char32_t c = codePointAt(text, i, length);
        nonDecimal = nonDecimal || isNonDecimalDigit(c);
        isDigits = QChar::isDigit(c) || isNonDecimalDigit(c);
    }
    // int() converts at most 4,300 digits of a decimal number.
    return isDigits && (nonDecimal || count > 4300);
}

} // namespace sf::rules::firstmatch
