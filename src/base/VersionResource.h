#pragma once

// The version resource of an executable (the VS_VERSIONINFO structure): reading it out of a PE
// file's resources or an ELF file's ".sfversion" section, looking values up in it, and building
// one. Plain C++ without Qt, so that the build step that writes the section can use it too.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sf::versionres {

using Bytes = std::vector<std::uint8_t>;

// The name of the ELF section that holds the resource.
inline constexpr const char* kElfSectionName = ".sfversion";
inline constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

// The resource bytes of a file image: the version resource of a PE file (resource type 16) or the
// ".sfversion" section of an ELF file. Empty when the image has none or is malformed.
Bytes extractFromImage(const std::uint8_t* data, std::size_t size);
Bytes extractFromPe(const std::uint8_t* data, std::size_t size);
Bytes extractFromElf(const std::uint8_t* data, std::size_t size);

// Looks a value up the way the platform's version query does: "\" is the fixed file information,
// "\VarFileInfo\Translation" the language and code page pairs, "\StringFileInfo\<lang><cp>\<key>"
// a text (as UTF-16 code units, without the terminating NUL). Keys compare without regard to case.
std::optional<Bytes> queryValue(const Bytes& resource, const std::u16string& path);
// The text value of a String node, cut at its first NUL.
std::optional<std::u16string> queryText(const Bytes& resource, const std::u16string& path);

// The "ProductVersion" text of the resource's first language and code page, when it has one.
std::optional<std::u16string> productVersion(const Bytes& resource);

struct FixedVersion {
    std::array<std::uint16_t, 4> file{}; // major, minor, revision, build
    std::array<std::uint16_t, 4> product{};
};
// The file and product versions of the fixed file information, when it is there and well-formed.
std::optional<FixedVersion> fixedVersion(const Bytes& resource);

// What a new resource holds: one string table in one language and code page.
struct ResourceContents {
    FixedVersion version;
    std::uint16_t language = 0x0409;
    std::uint16_t codePage = 0x04B0;
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};
Bytes build(const ResourceContents& contents);

} // namespace sf::versionres
