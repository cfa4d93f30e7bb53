#pragma once

#include "FuzzInput.h"
#include "ftp/ListingParser.h"

// A directory listing of any bytes, as it arrives on the data connection, in one of the two forms.
inline int fuzzListing(const std::uint8_t* data, std::size_t size, bool machineListing)
{
    static const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    for (const sf::ftp::ListingEntry& entry :
         sf::ftp::parseListing(fuzzBytes(data, size), machineListing, now))
        (void)sf::ftp::matchesPattern(entry.name, QStringLiteral("*.t?t"));
    return 0;
}
