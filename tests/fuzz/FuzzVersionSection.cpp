// An executable of any bytes (PE or ELF): its version resource, and the bytes themselves as a
// resource, looked up as the program looks them up.
#include "base/VersionResource.h"

#include <cstddef>
#include <cstdint>

namespace {

void lookUp(const sf::versionres::Bytes& resource)
{
    (void)sf::versionres::fixedVersion(resource);
    (void)sf::versionres::productVersion(resource);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lookUp(sf::versionres::extractFromImage(data, size));
    lookUp(sf::versionres::Bytes(data, data + size));
    return 0;
}
