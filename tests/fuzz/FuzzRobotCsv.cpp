// A robot table of any bytes, read as the build step reads robots.csv, and the records it makes.
#include "FuzzInput.h"
#include "robots/RobotCsv.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(fuzzBytes(data, size));
    QList<sf::CsvRow> rows;
    QList<sf::RobotRecord> records;
    if (sf::parseCsv(text, rows) && sf::robotsFromCsv(rows, {}, records)) {
        for (const sf::RobotRecord& record : records)
            (void)record.toData();
    }
    return 0;
}
