// MLSD lines of any bytes.
#include "FuzzListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzListing(data, size, true);
}
