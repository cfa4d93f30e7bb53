// A list of AI crawlers of any bytes, read as "Import crawler list..." reads one, merged into an empty
// database and written as records.
#include "FuzzCrawlerList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzCrawlerList(fuzzBytes(data, size));
    return 0;
}
