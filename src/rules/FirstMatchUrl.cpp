// urllib.parse's urlparse and urlunparse as robotparser uses them (first-match reading).
#include "rules/FirstMatchText.h"

#include <QString>

#include <algorithm>

namespace sf::rules::firstmatch {
namespace {

constexpr auto npos = std::string_view::npos;

struct UrlParts {
    std::string scheme, netloc, path, params, query, fragment;
};

bool isAsciiAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isHexText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

bool oneOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool usesNetloc(std::string_view scheme)
{
    return oneOf(scheme,
                 {"",        "ftp",   "http",  "gopher", "nntp",     "telnet", "imap",  "wais",  "file",
                  "mms",     "https", "shttp", "snews",  "prospero", "rtsp",   "rtspu", "rsync", "svn",
                  "svn+ssh", "sftp",  "nfs",   "git",    "git+ssh",  "ws",     "wss"});
}

bool usesParams(std::string_view scheme)
{
    return oneOf(scheme, {"", "ftp", "hdl", "prospero", "http", "imap", "https", "shttp", "rtsp", "rtspu",
                          "sip", "sips", "mms", "sftp", "tel"});
}

// ipaddress.IPv4Address: four decimal octets up to 255, without leading zeros.
bool isIpv4(std::string_view text)
{
    int count = 0;
    for (size_t start = 0;; ++count) {
        const size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view octet = text.substr(start, dot - start);
        if (octet.empty() || octet.size() > 3 || (octet.size() > 1 && octet[0] == '0') ||
            !std::all_of(octet.begin(), octet.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(std::string(octet)) > 255)
            return false;
        if (dot == text.size())
            return count == 3;
        start = dot + 1;
    }
}

// ipaddress.IPv6Address: eight hex groups, one "::" for a run of zeros, a final IPv4 address, a
// "%scope".
// Takes the zone ("%eth0") off an address; false when the zone is empty or holds another '%'.
bool dropZone(std::string_view& text)
{
    const size_t percent = text.find('%');
    if (percent == npos)
        return true;
    const std::string_view scope = text.substr(percent + 1);
    if (scope.empty() || scope.find('%') != npos)
        return false;
    text = text.substr(0, percent);
    return true;
}

std::vector<std::string_view> colonParts(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == npos ? npos : colon - start));
        if (colon == npos)
            return parts;
        start = colon + 1;
    }
}

bool isIpv6(std::string_view text)
{
    if (!dropZone(text))
        return false;
    std::vector<std::string_view> parts = colonParts(text);
    if (text.empty() || parts.size() < 3)
        return false;
    size_t groups = parts.size();
    if (parts.back().find('.') != npos) {
        if (!isIpv4(parts.back()))
            return false;
        parts.back() = "0";
        ++groups; // the address stands for two groups
    }
    if (groups > 9)
        return false;
    int skip = -1;
    for (size_t i = 1; i + 1 < parts.size(); ++i) {
        if (parts[i].empty()) {
            if (skip >= 0)
                return false;
            skip = static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool edge = (i == 0 || i + 1 == parts.size()) && parts[i].empty();
        if (!edge &&
            (parts[i].empty() ? static_cast<int>(i) != skip : parts[i].size() > 4 || !isHexText(parts[i])))
            return false;
    }
    if (skip < 0)
        return groups == 8 && !parts.front().empty() && !parts.back().empty();
    const size_t hi = static_cast<size_t>(skip) - (parts.front().empty() ? 1 : 0);
    const size_t lo = groups - static_cast<size_t>(skip) - 1 - (parts.back().empty() ? 1 : 0);
    if ((parts.front().empty() && hi != 0) || (parts.back().empty() && lo != 0))
        return false;
    return hi + lo < 8;
}

// _check_bracketed_host: an IPv6 address, or "v" and a future address form.
bool bracketedHostAccepted(std::string_view host)
{
    if (host.starts_with('v')) {
        const size_t dot = host.find('.');
        return dot != npos && dot > 1 && isHexText(host.substr(1, dot - 1)) && dot + 1 < host.size();
    }
    return isIpv6(host);
}

bool netlocAccepted(std::string_view netloc)
{
    const bool open = netloc.find('[') != npos, close = netloc.find(']') != npos;
    if (open != close)
        return false;
    if (open) {
        const size_t at = netloc.rfind('@');
        std::string_view hostPort = at == npos ? netloc : netloc.substr(at + 1);
        const size_t bracket = hostPort.find('[');
        std::string_view host;
        if (bracket != npos) {
            if (bracket > 0)
                return false;
            const size_t end = hostPort.find(']');
            host = hostPort.substr(1, end == npos ? npos : end - 1);
            const std::string_view port = end == npos ? std::string_view() : hostPort.substr(end + 1);
            if (!port.empty() && !port.starts_with(':'))
                return false;
        } else {
            host = hostPort.substr(0, hostPort.find(':'));
        }
        if (!bracketedHostAccepted(host))
            return false;
    }
    if (std::all_of(netloc.begin(), netloc.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    // Characters that NFKC turns into URL delimiters.
    QString n = QString::fromUtf8(netloc.data(), static_cast<qsizetype>(netloc.size()));
    for (const QChar c : {u'@', u':', u'#', u'?'})
        n.remove(c);
    const QString normal = n.normalized(QString::NormalizationForm_KC);
    return normal == n || std::none_of(std::begin(u"/?#@:"), std::end(u"/?#@:") - 1,
                                       [&](char16_t c) { return normal.contains(QChar(c)); });
}

std::optional<UrlParts> urlparse(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    std::string url;
    std::copy_if(text.begin(), text.end(), std::back_inserter(url),
                 [](char c) { return c != '\t' && c != '\r' && c != '\n'; });
    UrlParts parts;
    const size_t colon = url.find(':');
    if (colon != npos && colon > 0 && ((url[0] | 0x20) >= 'a' && (url[0] | 0x20) <= 'z') &&
        std::all_of(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(colon),
                    [](char c) { return isAsciiAlnum(c) || c == '+' || c == '-' || c == '.'; })) {
        parts.scheme = lower(url.substr(0, colon));
        url.erase(0, colon + 1);
    }
    if (url.starts_with("//")) {
        const size_t end = std::min(url.size(), url.find_first_of("/?#", 2));
        parts.netloc = url.substr(2, end - 2);
        url.erase(0, end);
        if (!netlocAccepted(parts.netloc))
            return std::nullopt;
    }
    if (const size_t hash = url.find('#'); hash != npos) {
        parts.fragment = url.substr(hash + 1);
        url.resize(hash);
    }
    if (const size_t question = url.find('?'); question != npos) {
        parts.query = url.substr(question + 1);
        url.resize(question);
    }
    if (usesParams(parts.scheme) && url.find(';') != npos) {
        const size_t slash = url.rfind('/');
        const size_t semicolon = url.find(';', slash == npos ? 0 : slash);
        if (semicolon != npos) {
            parts.params = url.substr(semicolon + 1);
            url.resize(semicolon);
        }
    }
    parts.path = std::move(url);
    return parts;
}

} // namespace

std::optional<std::string> reparse(std::string_view text)
{
    std::optional<UrlParts> parts = urlparse(text);
    if (!parts)
        return std::nullopt;
    std::string url = std::move(parts->path);
    if (!parts->params.empty())
        url += ';' + parts->params;
    if (!parts->netloc.empty() ||
        (!parts->scheme.empty() && usesNetloc(parts->scheme) && !url.starts_with("//"))) {
        if (!url.empty() && url[0] != '/')
            url.insert(url.begin(), '/');
        url = "//" + parts->netloc + url;
    }
    if (!parts->scheme.empty())
        url = parts->scheme + ':' + url;
    if (!parts->query.empty())
        url += '?' + parts->query;
    if (!parts->fragment.empty())
        url += '#' + parts->fragment;
    return url;
}

std::optional<std::string> requestPath(std::string_view url)
{
    std::optional<UrlParts> parts = urlparse(unquote(replaceInvalidUtf8(url)));
    if (!parts)
        return std::nullopt;
    std::string path = std::move(parts->path);
    if (!parts->params.empty())
        path += ';' + parts->params;
    if (!parts->query.empty())
        path += '?' + parts->query;
    if (!parts->fragment.empty())
        path += '#' + parts->fragment;
    path = quote(path);
    return path.empty() ? std::string("/") : path;
}

} // namespace sf::rules::firstmatch
