#include "logs/AccessLogLine.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace sf::logs {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits at text[at, at + count) as a number, or -1.
int digits(std::string_view text, size_t at, size_t count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int monthNumber(std::string_view name)
{
    static constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (kMonths[i] == name)
            return static_cast<int>(i) + 1;
    return 0;
}

// Days from 1970-01-01 to the date (the proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The end of the quoted text that starts after the quote at text[open]: the index of its closing
// quote (a quote after a backslash belongs to the text), or npos.
size_t closingQuote(std::string_view text, size_t open)
{
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i;
    }
    return std::string_view::npos;
}

// The target of "METHOD TARGET[ PROTOCOL]", or empty when the request line is not one.
std::string_view requestTarget(std::string_view request)
{
    const size_t space = request.find(' ');
    if (space == 0 || space == std::string_view::npos)
        return {};
    for (size_t i = 0; i < space; ++i)
        if (request[i] < 'A' || request[i] > 'Z')
            return {};
    std::string_view target = request.substr(space + 1);
    const size_t last = target.rfind(' ');
    if (last != std::string_view::npos)
        target = target.substr(0, last);
    return target;
}

// " STATUS BYTES" at text[at]: the index after it, or npos.
size_t skipStatusAndBytes(std::string_view text, size_t at)
{
    if (text.substr(at, 1) != " " || digits(text, at + 1, 3) < 0)
        return std::string_view::npos;
    size_t i = at + 4;
    if (text.substr(i, 1) != " ")
        return std::string_view::npos;
    const size_t begin = ++i;
    while (i < text.size() && (isDigit(text[i]) || text[i] == '-'))
        ++i;
    return i == begin ? std::string_view::npos : i;
}

} // namespace

std::optional<std::int64_t> parseLogTime(std::string_view t)
{
    // 10/Oct/2000:13:55:36 -0700
    if (t.size() != 26 || t[2] != '/' || t[6] != '/' || t[11] != ':' || t[14] != ':' || t[17] != ':' ||
        t[20] != ' ' || (t[21] != '+' && t[21] != '-'))
        return std::nullopt;
    const int day = digits(t, 0, 2), month = monthNumber(t.substr(3, 3)), year = digits(t, 7, 4);
    const int hour = digits(t, 12, 2), minute = digits(t, 15, 2), second = digits(t, 18, 2);
    const int zoneHours = digits(t, 22, 2), zoneMinutes = digits(t, 24, 2);
    if (day < 1 || day > 31 || month == 0 || year < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60 || zoneHours < 0 || zoneMinutes < 0 || zoneMinutes > 59)
        return std::nullopt;
    const std::int64_t zone = (zoneHours * 60 + zoneMinutes) * 60 * (t[21] == '-' ? -1 : 1);
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - zone;
}

std::optional<LogRequest> parseAccessLogLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const size_t open = line.find(" [");
    if (open == std::string_view::npos || open == 0)
        return std::nullopt;
    const size_t close = line.find(']', open + 2);
    if (close == std::string_view::npos || line.substr(close + 1, 2) != " \"")
        return std::nullopt;
    const std::optional<std::int64_t> time = parseLogTime(line.substr(open + 2, close - open - 2));
    const size_t requestEnd = time ? closingQuote(line, close + 2) : std::string_view::npos;
    if (requestEnd == std::string_view::npos)
        return std::nullopt;
    LogRequest request;
    request.time = *time;
    request.target = requestTarget(line.substr(close + 3, requestEnd - close - 3));
    size_t at = skipStatusAndBytes(line, requestEnd + 1);
    if (request.target.empty() || at == std::string_view::npos)
        return std::nullopt;
    if (at == line.size() || line.substr(at, 2) != " \"")
        return request; // the common format, or something the combined format does not write
    const size_t refererEnd = closingQuote(line, at + 1);
    if (refererEnd == std::string_view::npos || line.substr(refererEnd + 1, 2) != " \"")
        return std::nullopt;
    at = refererEnd + 2;
    const size_t agentEnd = closingQuote(line, at);
    if (agentEnd == std::string_view::npos)
        return std::nullopt;
    request.userAgent = line.substr(at + 1, agentEnd - at - 1);
    if (request.userAgent == "-")
        request.userAgent = {};
    return request;
}

std::string formatUtcTime(std::int64_t time)
{
    std::int64_t days = time / 86400, rest = time % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // civil from days
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(year), month,
                  day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

std::optional<std::int64_t> parseUtcTime(std::string_view t)
{
    if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':' ||
        t[19] != 'Z')
        return std::nullopt;
    const int year = digits(t, 0, 4), month = digits(t, 5, 2), day = digits(t, 8, 2);
    const int hour = digits(t, 11, 2), minute = digits(t, 14, 2), second = digits(t, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace sf::logs
