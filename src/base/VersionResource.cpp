#include "base/VersionResource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sf::versionres {
namespace {

// Bounds-checked little- or big-endian reads from a file image.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    bool bigEndian = false;

    bool has(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= size && length <= size - offset;
    }
    std::uint64_t read(std::uint64_t offset, int bytes) const
    {
        if (!has(offset, static_cast<std::uint64_t>(bytes)))
            return 0;
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            value |= static_cast<std::uint64_t>(data[offset + i]) << shift;
        }
        return value;
    }
    std::uint16_t u16(std::uint64_t o) const { return static_cast<std::uint16_t>(read(o, 2)); }
    std::uint32_t u32(std::uint64_t o) const { return static_cast<std::uint32_t>(read(o, 4)); }
    std::uint64_t u64(std::uint64_t o) const { return read(o, 8); }
    Bytes slice(std::uint64_t offset, std::uint64_t length) const
    {
        if (!has(offset, length))
            return {};
        return Bytes(data + offset, data + offset + length);
    }
};

std::size_t align4(std::size_t n)
{
    return (n + 3) & ~std::size_t(3);
}

char16_t lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameKey(const std::u16string& a, const std::u16string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// One node of the structure: wLength, wValueLength, wType, szKey, padding, Value, padding, Children.
struct Node {
    std::u16string key;
    std::uint16_t type = 0;
    std::size_t valueOffset = 0;
    std::size_t valueLength = 0; // in bytes
    std::size_t childrenOffset = 0;
    std::size_t end = 0;
};

std::optional<Node> readNode(const Reader& r, std::size_t offset, std::size_t limit)
{
    const std::uint16_t length = r.u16(offset);
    if (length < 6 || offset + length > limit)
        return std::nullopt;
    Node node;
    node.end = offset + length;
    const std::uint16_t valueLength = r.u16(offset + 2);
    node.type = r.u16(offset + 4);
    std::size_t p = offset + 6;
    for (; p + 1 < node.end; p += 2) {
        const auto c = static_cast<char16_t>(r.u16(p));
        if (c == 0)
            break;
        node.key.push_back(c);
    }
    node.valueOffset = std::min(align4(p + 2), node.end);
    const std::size_t wanted = node.type == 1 ? std::size_t(valueLength) * 2 : valueLength;
    node.valueLength = std::min(wanted, node.end - node.valueOffset);
    node.childrenOffset = std::min(align4(node.valueOffset + wanted), node.end);
    return node;
}

std::optional<Node> findChild(const Reader& r, const Node& parent, const std::u16string& key)
{
    std::size_t offset = parent.childrenOffset;
    while (offset + 6 <= parent.end) {
        const std::optional<Node> child = readNode(r, offset, parent.end);
        if (!child)
            return std::nullopt;
        if (sameKey(child->key, key))
            return child;
        offset = align4(child->end);
    }
    return std::nullopt;
}

std::optional<Node> findPath(const Bytes& resource, const std::u16string& path)
{
    const Reader r{resource.data(), resource.size()};
    std::optional<Node> node = readNode(r, 0, resource.size());
    if (!node || !sameKey(node->key, u"VS_VERSION_INFO"))
        return std::nullopt;
    std::size_t start = 0;
    while (node && start < path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos)
            end = path.size();
        if (end > start)
            node = findChild(r, *node, path.substr(start, end - start));
        start = end + 1;
    }
    return node;
}

// ----- building -----

void put16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void pad4(Bytes& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

void putText(Bytes& out, const std::u16string& text)
{
    for (char16_t c : text)
        put16(out, static_cast<std::uint16_t>(c));
    put16(out, 0);
}

// Opens a node: returns its start so that closeNode can write its length.
std::size_t openNode(Bytes& out, const std::u16string& key, std::uint16_t valueLength, std::uint16_t type)
{
    pad4(out);
    const std::size_t start = out.size();
    put16(out, 0);
    put16(out, valueLength);
    put16(out, type);
    putText(out, key);
    pad4(out);
    return start;
}

void closeNode(Bytes& out, std::size_t start)
{
    const std::size_t length = out.size() - start;
    out[start] = static_cast<std::uint8_t>(length & 0xFF);
    out[start + 1] = static_cast<std::uint8_t>(length >> 8);
}

std::uint32_t high(const std::array<std::uint16_t, 4>& v)
{
    return (std::uint32_t(v[0]) << 16) | v[1];
}
std::uint32_t low(const std::array<std::uint16_t, 4>& v)
{
    return (std::uint32_t(v[2]) << 16) | v[3];
}

std::u16string hex4(std::uint16_t v)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string s;
    for (int shift = 12; shift >= 0; shift -= 4)
        s.push_back(digits[(v >> shift) & 0xF]);
    return s;
}

} // namespace

Bytes extractFromImage(const std::uint8_t* data, std::size_t size)
{
    if (size >= 4 && std::memcmp(data,
                                 "\x7f"
                                 "ELF",
                                 4) == 0)
        return extractFromElf(data, size);
    if (size >= 2 && data[0] == 'M' && data[1] == 'Z')
        return extractFromPe(data, size);
    return {};
}

namespace {

// Maps a relative virtual address of a PE image to its offset in the file, or 0 when no section holds it.
std::uint64_t peOffset(const Reader& r, std::uint64_t sections, int count, std::uint32_t rva)
{
    for (int i = 0; i < count; ++i) {
        const std::uint64_t s = sections + 40ULL * i;
        const std::uint32_t virtualSize = r.u32(s + 8), address = r.u32(s + 12);
        const std::uint32_t rawSize = r.u32(s + 16), rawPointer = r.u32(s + 20);
        const std::uint32_t span = std::max(virtualSize, rawSize);
        if (rva >= address && rva - address < span && rva - address < rawSize)
            return std::uint64_t(rawPointer) + (rva - address);
    }
    return 0;
}

// The entry of a resource directory with the given id (or the first entry when id < 0).
std::optional<std::uint32_t> peDirectoryEntry(const Reader& r, std::uint64_t directory, int id)
{
    const int count = r.u16(directory + 12) + r.u16(directory + 14);
    for (int i = 0; i < count; ++i) {
        const std::uint64_t e = directory + 16 + 8ULL * i;
        if (!r.has(e, 8))
            return std::nullopt;
        const std::uint32_t name = r.u32(e);
        if (id < 0 || (!(name & 0x80000000u) && name == static_cast<std::uint32_t>(id)))
            return r.u32(e + 4);
    }
    return std::nullopt;
}

} // namespace

Bytes extractFromPe(const std::uint8_t* data, std::size_t size)
{
    const Reader r{data, size};
    const std::uint32_t pe = r.u32(0x3C);
    if (!r.has(pe, 24) || std::memcmp(data + pe, "PE\0\0", 4) != 0)
        return {};
    const std::uint64_t coff = pe + 4, optional = coff + 20;
    const int sectionCount = r.u16(coff + 2);
    const std::uint16_t magic = r.u16(optional);
    if (magic != 0x10B && magic != 0x20B)
        return {};
    const std::uint64_t directories = optional + (magic == 0x10B ? 96 : 112);
    if (r.u32(optional + (magic == 0x10B ? 92 : 108)) < 3)
        return {};
    const std::uint32_t resourceRva = r.u32(directories + 2 * 8);
    const std::uint64_t sections = optional + r.u16(coff + 16);
    const std::uint64_t root = peOffset(r, sections, sectionCount, resourceRva);
    if (resourceRva == 0 || root == 0)
        return {};
    std::uint64_t directory = root;
    for (int level = 0; level < 3; ++level) {
        const std::optional<std::uint32_t> entry = peDirectoryEntry(r, directory, level == 0 ? 16 : -1);
        if (!entry || (level < 2) != bool(*entry & 0x80000000u))
            return {};
        directory = root + (*entry & 0x7FFFFFFFu);
    }
    const std::uint32_t dataRva = r.u32(directory), dataSize = r.u32(directory + 4);
    const std::uint64_t offset = peOffset(r, sections, sectionCount, dataRva);
    return offset == 0 ? Bytes() : r.slice(offset, dataSize);
}

Bytes extractFromElf(const std::uint8_t* data, std::size_t size)
{
    if (size < 0x34 ||
        std::memcmp(data,
                    "\x7f"
                    "ELF",
                    4) != 0 ||
        (data[4] != 1 && data[4] != 2) || (data[5] != 1 && data[5] != 2))
        return {};
    const bool is64 = data[4] == 2;
    const Reader r{data, size, data[5] == 2};
    const std::uint64_t shoff = is64 ? r.u64(0x28) : r.u32(0x20);
    const std::uint16_t entrySize = r.u16(is64 ? 0x3A : 0x2E);
    // Every count and offset below is bounded by the file size before it takes part in arithmetic.
    if (shoff == 0 || entrySize < (is64 ? 0x40 : 0x28) || !r.has(shoff, entrySize))
        return {};
    std::uint64_t count = r.u16(is64 ? 0x3C : 0x30);
    std::uint64_t names = r.u16(is64 ? 0x3E : 0x32);
    if (count == 0) // more sections than the header can count: section 0 holds the number
        count = is64 ? r.u64(shoff + 0x20) : r.u32(shoff + 0x14);
    if (names == 0xFFFF)
        names = r.u32(shoff + (is64 ? 0x28 : 0x18));
    if (count == 0 || count > (size - shoff) / entrySize || names >= count)
        return {};
    auto header = [&](std::uint64_t i) { return shoff + i * entrySize; };
    auto offsetOf = [&](std::uint64_t h) { return is64 ? r.u64(h + 0x18) : r.u32(h + 0x10); };
    auto sizeOf = [&](std::uint64_t h) { return is64 ? r.u64(h + 0x20) : r.u32(h + 0x14); };
    const std::uint64_t table = offsetOf(header(names)), tableSize = sizeOf(header(names));
    if (!r.has(table, tableSize))
        return {};
    const std::string wanted = kElfSectionName;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t h = header(i);
        const std::uint32_t name = r.u32(h);
        if (name >= tableSize || tableSize - name < wanted.size() + 1)
            continue;
        if (std::memcmp(data + table + name, wanted.c_str(), wanted.size() + 1) == 0 && r.u32(h + 4) != 8)
            return r.slice(offsetOf(h), sizeOf(h));
    }
    return {};
}

std::optional<Bytes> queryValue(const Bytes& resource, const std::u16string& path)
{
    const std::optional<Node> node = findPath(resource, path);
    if (!node)
        return std::nullopt;
    return Bytes(resource.begin() + static_cast<std::ptrdiff_t>(node->valueOffset),
                 resource.begin() + static_cast<std::ptrdiff_t>(node->valueOffset + node->valueLength));
}

std::optional<std::u16string> queryText(const Bytes& resource, const std::u16string& path)
{
    const std::optional<Bytes> value = queryValue(resource, path);
    if (!value)
        return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value->size(); i += 2) {
        const auto c = static_cast<char16_t>((*value)[i] | ((*value)[i + 1] << 8));
        if (c == 0)
            break;
        text.push_back(c);
    }
    return text;
}

std::optional<std::u16string> productVersion(const Bytes& resource)
{
    const std::optional<Bytes> translation = queryValue(resource, u"\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4)
        return std::nullopt;
    const unsigned key = ((*translation)[0] | ((*translation)[1] << 8)) * 65536u +
                         ((*translation)[2] | ((*translation)[3] << 8));
    char hex[9] = {};
    std::snprintf(hex, sizeof hex, "%08X", key);
    const std::string lang(hex);
    return queryText(resource,
                     u"\\StringFileInfo\\" + std::u16string(lang.begin(), lang.end()) + u"\\ProductVersion");
}

std::optional<FixedVersion> fixedVersion(const Bytes& resource)
{
    const std::optional<Bytes> value = queryValue(resource, u"\\");
    const Reader r{value ? value->data() : nullptr, value ? value->size() : 0};
    if (!value || value->size() < 52 || r.u32(0) != kFixedSignature)
        return std::nullopt;
    FixedVersion v;
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t fileWord = r.u32(8 + 4 * i), productWord = r.u32(16 + 4 * i);
        v.file[2 * i] = static_cast<std::uint16_t>(fileWord >> 16);
        v.file[2 * i + 1] = static_cast<std::uint16_t>(fileWord & 0xFFFF);
        v.product[2 * i] = static_cast<std::uint16_t>(productWord >> 16);
        v.product[2 * i + 1] = static_cast<std::uint16_t>(productWord & 0xFFFF);
    }
    return v;
}

Bytes build(const ResourceContents& contents)
{
    Bytes out;
    const std::size_t root = openNode(out, u"VS_VERSION_INFO", 52, 0);
    for (std::uint32_t word : {kFixedSignature, 0x00010000u, high(contents.version.file),
                               low(contents.version.file), high(contents.version.product),
                               low(contents.version.product), 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u})
        put32(out, word);
    const std::size_t fileInfo = openNode(out, u"StringFileInfo", 0, 1);
    const std::size_t table = openNode(out, hex4(contents.language) + hex4(contents.codePage), 0, 1);
    for (const auto& [key, value] : contents.strings) {
        const std::size_t node = openNode(out, key, static_cast<std::uint16_t>(value.size() + 1), 1);
        putText(out, value);
        closeNode(out, node);
    }
    closeNode(out, table);
    closeNode(out, fileInfo);
    const std::size_t varInfo = openNode(out, u"VarFileInfo", 0, 1);
    const std::size_t var = openNode(out, u"Translation", 4, 0);
    put16(out, contents.language);
    put16(out, contents.codePage);
    closeNode(out, var);
    closeNode(out, varInfo);
    closeNode(out, root);
    return out;
}

} // namespace sf::versionres
