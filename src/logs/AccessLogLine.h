#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sf::logs {

// One request line of an Apache or nginx access log, as the server wrote it. The views point into
// the line.
struct LogRequest {
    std::string_view target;    // the request target as sent: a path with its query, or a full URL
    std::string_view userAgent; // empty in the common format, or when the server logged "-"
    std::int64_t time = 0;      // seconds since 1970-01-01 00:00 UTC
};

// Reads a line of the combined or common format, with or without the virtual host in front:
//   [VHOST[:PORT] ]HOST IDENT USER [10/Oct/2000:13:55:36 -0700] "GET /a?b HTTP/1.1" 200 2326
//   ["REFERER" "USER-AGENT"][ anything the server adds]
// (a final CR is ignored). Nothing for a line that is not a request: a broken or cut line, a
// request line the server could not read ("-"), a time that is no date.
std::optional<LogRequest> parseAccessLogLine(std::string_view line);

// "10/Oct/2000:13:55:36 -0700" as seconds since 1970 UTC; nothing when it is not such a time.
std::optional<std::int64_t> parseLogTime(std::string_view text);

// The time as ISO 8601 in UTC: "2000-10-10T20:55:36Z".
std::string formatUtcTime(std::int64_t time);
// The other way: "2000-10-10T20:55:36Z" as seconds since 1970; nothing for any other text.
std::optional<std::int64_t> parseUtcTime(std::string_view text);

} // namespace sf::logs
