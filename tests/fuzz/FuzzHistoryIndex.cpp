// The index of a publish history of any bytes; one that reads is written and read back the same.
#include "FuzzInput.h"
#include "history/PublishHistory.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const sf::Result<sf::history::Index> index = sf::history::readIndex(fuzzBytes(data, size));
    if (!index)
        return 0;
    const sf::Result<sf::history::Index> again =
        sf::history::readIndex(sf::history::writeIndex(index.value()));
    if (!again || again->records.size() != index->records.size())
        std::abort();
    return 0;
}
