#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text and URL handling as Python 3.11's str and urllib.parse do it, on UTF-8 bytes, for the
// first-match reading (which must give the verdicts of Python's robotparser exactly). Every
// function expects valid UTF-8 unless it says otherwise.
namespace sf::rules::firstmatch {

// Whether the bytes decode as strict UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);
// Any bytes decoded with replacement and encoded again: each maximal invalid part becomes U+FFFD.
std::string replaceInvalidUtf8(std::string_view bytes);

// str.strip(): without the white space Python knows (ASCII and Unicode spaces, separators).
std::string_view strip(std::string_view text);

struct TextLine {
    size_t offset = 0; // of the line's first byte
    std::string_view text;
};
// str.splitlines(): lines end at LF, CR, CR LF, VT, FF, FS, GS, RS, NEL and the two Unicode
// separators; a final line end starts no further line.
std::vector<TextLine> splitLines(std::string_view text);

// urllib.parse.unquote(): "%XX" runs decoded as UTF-8 with replacement.
std::string unquote(std::string_view text);
// urllib.parse.quote(text, safe="/"): every byte but letters, digits, "_.-~" and "/" as "%XX".
std::string quote(std::string_view text);
// urlunparse(urlparse(text)); nothing where Python raises ValueError.
std::optional<std::string> reparse(std::string_view text);
// What robotparser's can_fetch compares with the rules: the URL unquoted, parsed, put together from
// its path, parameters, query and fragment, and quoted; "/" when that is empty. Nothing where
// Python's URL parser rejects the URL.
std::optional<std::string> requestPath(std::string_view url);

// str.lower(), by Unicode's case mapping.
std::string lower(std::string_view text);
// Whether int(text) raises for a text that str.isdigit() accepts (a digit that is not a decimal
// one, or more digits than Python converts); false when isdigit() is false.
bool digitsRejected(std::string_view text, bool& isDigits);

} // namespace sf::rules::firstmatch
