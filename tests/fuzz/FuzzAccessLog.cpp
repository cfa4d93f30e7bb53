// Any bytes as an access log: each line read on its own, and the whole fed through the line splitter
// and the counter in two pieces cut at the first byte's value, against a small robots.txt.
#include "FuzzInput.h"
#include "logs/AccessLogLine.h"
#include "logs/AccessLogReader.h"
#include "logs/AuditCsv.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const sf::logs::RobotIdentifier robots(
        {{"Googlebot", "search engine"}, {"GPTBot", "AI training"}, {"Google Read Aloud", "assistant"}});
    static const sf::rules::RobotsTxt txt(QByteArray("User-agent: GPTBot\nDisallow: /\n\nUser-agent: *\n"
                                                     "Disallow: /cgi-bin\nAllow: /*.css$\n"));
    static const sf::rules::Readings readings(txt);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::string_view rest = bytes; !rest.empty();) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        if (const auto request = sf::logs::parseAccessLogLine(rest.substr(0, end)))
            (void)sf::logs::parseUtcTime(sf::logs::formatUtcTime(request->time));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    for (const sf::rules::Reading reading : sf::rules::kReadings) {
        sf::logs::AuditCounter counter({&robots, &readings, reading});
        sf::logs::LineSplitter lines(counter);
        const size_t cut = size == 0 ? 0 : data[0] % size;
        lines.feed(bytes.data(), cut);
        lines.feed(bytes.data() + cut, size - cut);
        lines.finish();
        const sf::logs::AuditReport report = counter.report();
        (void)sf::logs::readAuditCsv(sf::logs::auditCsv(report));
    }
    (void)sf::logs::readAuditCsv(fuzzBytes(data, size));
    return 0;
}
