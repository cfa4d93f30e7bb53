#include "base/VersionInfo.h"
#include "base/SharedState.h"
#include "base/VersionResource.h"
#include "support/TestEnvironment.h"

#include "sf_version.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace sf;

namespace {

QByteArray toQ(const versionres::Bytes& b)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

QByteArray resource(quint16 language, quint16 codePage,
                    std::vector<std::pair<std::u16string, std::u16string>> strings = {
                        {u"FileDescription", u"Test program"}, {u"ProductVersion", u"3.4.5"}})
{
    versionres::ResourceContents contents;
    contents.version.file = {3, 4, 5, 6};
    contents.version.product = {3, 4, 5, 0};
    contents.language = language;
    contents.codePage = codePage;
    contents.strings = std::move(strings);
    return toQ(versionres::build(contents));
}

void put(QByteArray& b, qsizetype at, quint64 value, int bytes, bool bigEndian = false)
{
    if (b.size() < at + bytes)
        b.resize(at + bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<char>(value >> (8 * (bigEndian ? bytes - 1 - i : i)));
}

// A minimal PE image: DOS header, PE header, one ".rsrc" section whose resource directory leads
// (type 16 -> name 1 -> language 0x409) to the version resource.
QByteArray peImage(const QByteArray& version, bool pe32Plus)
{
    QByteArray b(0x200, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put(b, 0x3C, 0x40, 4);
    b.replace(0x40, 4, QByteArray("PE\0\0", 4));
    const qsizetype coff = 0x44, opt = coff + 20;
    const int optSize = pe32Plus ? 240 : 224;
    put(b, coff, pe32Plus ? 0x8664 : 0x14C, 2);
    put(b, coff + 2, 1, 2);
    put(b, coff + 16, optSize, 2);
    put(b, opt, pe32Plus ? 0x20B : 0x10B, 2);
    put(b, opt + (pe32Plus ? 108 : 92), 16, 4);
    const qsizetype dirs = opt + (pe32Plus ? 112 : 96);
    const quint32 rva = 0x1000, raw = 0x200, dataOffset = 0x58;
    const quint32 sectionSize = dataOffset + static_cast<quint32>(version.size());
    put(b, dirs + 16, rva, 4);
    put(b, dirs + 20, sectionSize, 4);
    const qsizetype sec = opt + optSize;
    b.replace(sec, 5, ".rsrc");
    put(b, sec + 8, sectionSize, 4);
    put(b, sec + 12, rva, 4);
    put(b, sec + 16, sectionSize, 4);
    put(b, sec + 20, raw, 4);
    // Resource directory: three levels of one entry each, then the data entry.
    const auto dir = [&](quint32 at, quint32 id, quint32 target) {
        put(b, raw + at + 14, 1, 2);
        put(b, raw + at + 16, id, 4);
        put(b, raw + at + 20, target, 4);
    };
    dir(0x00, 16, 0x80000018u);
    dir(0x18, 1, 0x80000030u);
    dir(0x30, 0x409, 0x48);
    put(b, raw + 0x48, rva + dataOffset, 4);
    put(b, raw + 0x4C, static_cast<quint64>(version.size()), 4);
    b.resize(raw + dataOffset);
    return b + version;
}

// A minimal ELF image with a null section, ".shstrtab" and ".sfversion" (or another name).
QByteArray elfImage(const QByteArray& version, bool is64, bool bigEndian,
                    const QByteArray& name = ".sfversion")
{
    const QByteArray names = QByteArray("\0.shstrtab\0", 11) + name + '\0';
    const int ehSize = is64 ? 64 : 52, shSize = is64 ? 64 : 40;
    QByteArray b(ehSize, '\0');
    b.replace(0, 4,
              "\x7f"
              "ELF");
    b[4] = is64 ? 2 : 1;
    b[5] = bigEndian ? 2 : 1;
    b[6] = 1;
    const qsizetype namesAt = ehSize, versionAt = namesAt + names.size();
    b += names + version;
    const qsizetype shoff = b.size();
    b.resize(shoff + 3 * shSize, '\0');
    put(b, is64 ? 0x28 : 0x20, static_cast<quint64>(shoff), is64 ? 8 : 4, bigEndian);
    put(b, is64 ? 0x3A : 0x2E, shSize, 2, bigEndian);
    put(b, is64 ? 0x3C : 0x30, 3, 2, bigEndian);
    put(b, is64 ? 0x3E : 0x32, 1, 2, bigEndian);
    const auto section = [&](int i, quint32 nameAt, quint32 type, qsizetype at, qsizetype size) {
        const qsizetype h = shoff + i * shSize;
        put(b, h, nameAt, 4, bigEndian);
        put(b, h + 4, type, 4, bigEndian);
        put(b, h + (is64 ? 0x18 : 0x10), static_cast<quint64>(at), is64 ? 8 : 4, bigEndian);
        put(b, h + (is64 ? 0x20 : 0x14), static_cast<quint64>(size), is64 ? 8 : 4, bigEndian);
    };
    section(1, 1, 3, namesAt, names.size());
    section(2, 11, 1, versionAt, version.size());
    return b;
}

QString writeTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    test::writeFileBytes(dir.filePath(name), bytes);
    return dir.filePath(name);
}

void setGlobals(const QString& language, const QString& product)
{
    VersionResourceBuffer = "old";
    VersionLanguage = language;
    ProductVersionText = product;
}

} // namespace

TEST(VersionInfo, ResourceHasTheStandardLayout)
{
    const QByteArray r = resource(0x0409, 0x04B0);
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(r.constData() + at); };
    EXPECT_EQ(u16(0), r.size());
    EXPECT_EQ(u16(2), 52);
    EXPECT_EQ(u16(4), 0);
    EXPECT_EQ(r.mid(6, 32), QByteArray(reinterpret_cast<const char*>(u"VS_VERSION_INFO"), 32));
    EXPECT_EQ(qFromLittleEndian<quint32>(r.constData() + 40), 0xFEEF04BDu);
    EXPECT_EQ(qFromLittleEndian<quint32>(r.constData() + 48), 0x00030004u); // file version MS
    EXPECT_EQ(qFromLittleEndian<quint32>(r.constData() + 52), 0x00050006u); // file version LS
    EXPECT_EQ(r.mid(98, 30), QByteArray(reinterpret_cast<const char*>(u"StringFileInfo"), 30));
    EXPECT_EQ(r.mid(134, 18), QByteArray(reinterpret_cast<const char*>(u"040904B0"), 18));
    // First String at 152: "FileDescription" with 13 characters of value including its NUL.
    EXPECT_EQ(u16(154), 13);
    EXPECT_EQ(u16(156), 1);
    EXPECT_EQ(r.mid(158, 30), QByteArray(reinterpret_cast<const char*>(u"FileDescription"), 30));
    EXPECT_EQ(r.mid(192, 26), QByteArray(reinterpret_cast<const char*>(u"Test program"), 26));
    EXPECT_TRUE(r.endsWith(QByteArray("\x09\x04\xb0\x04", 4))) << "the translation comes last";
}

TEST(VersionInfo, ReadsCraftedPeAndElfFiles)
{
    QTemporaryDir dir;
    const struct {
        QString name;
        quint16 language, codePage;
        QString expected;
        bool pe, wide, bigEndian;
    } cases[] = {
        {"pe32.exe", 0x0409, 0x04B0, "040904B0", true, false, false},
        {"pe64.exe", 0x0000, 0x04E4, "000004E4", true, true, false},
        {"elf64", 0x0409, 0x04B0, "040904B0", false, true, false},
        {"elf32be", 0x0407, 0x04E4, "040704E4", false, false, true},
    };
    for (const auto& c : cases) {
        const QByteArray r = resource(c.language, c.codePage);
        const QString path =
            writeTemp(dir, c.name, c.pe ? peImage(r, c.wide) : elfImage(r, c.wide, c.bigEndian));
        setGlobals("X", "Y");
        ASSERT_TRUE(GetVersionInfo(path)) << c.name.toStdString();
        EXPECT_EQ(VersionLanguage, c.expected);
        EXPECT_EQ(ProductVersionText, QStringLiteral("3.4.5"));
        EXPECT_EQ(VersionResourceBuffer, r);
        EXPECT_EQ(GetVersionString(QStringLiteral("FileDescription")), QStringLiteral("Test program"));
        EXPECT_EQ(GetVersionString(QStringLiteral("filedescription")), QStringLiteral("Test program"));
        EXPECT_EQ(GetVersionString(QStringLiteral("Comments")), QString());
        const auto numbers = GetFileVersionNumbers(path);
        ASSERT_TRUE(numbers.has_value());
        EXPECT_EQ(numbers->release(), QStringLiteral("3.4.5"));
        EXPECT_EQ(numbers->build, 6);
    }
}

TEST(VersionInfo, FilesWithoutAResourceLeaveTheGlobalsAsTheyWere)
{
    QTemporaryDir dir;
    const QByteArray good = resource(0x0409, 0x04B0);
    QByteArray truncatedPe = peImage(good, false);
    truncatedPe.truncate(0x250);
    const QString paths[] = {
        dir.filePath("missing.exe"),
        writeTemp(dir, "empty.exe", QByteArray()),
        writeTemp(dir, "text.exe", "just some text, no executable"),
        writeTemp(dir, "other-section", elfImage(good, true, false, ".rodata")),
        writeTemp(dir, "truncated.exe", truncatedPe),
        writeTemp(dir, "garbage.exe", peImage(QByteArray(40, '\x7f'), false)),
    };
    for (const QString& path : paths) {
        setGlobals("040904B0", "9.9.9");
        EXPECT_FALSE(GetVersionInfo(path)) << path.toStdString();
        EXPECT_EQ(VersionResourceBuffer, QByteArray("old"));
        EXPECT_EQ(VersionLanguage, QStringLiteral("040904B0"));
        EXPECT_EQ(ProductVersionText, QStringLiteral("9.9.9"));
        EXPECT_FALSE(GetFileVersionNumbers(path).has_value()) << path.toStdString();
    }
}

TEST(VersionInfo, BlankProductVersionAndLongValues)
{
    QTemporaryDir dir;
    const std::u16string longText(200, u'x');
    const QString blank = writeTemp(
        dir, "blank.exe",
        peImage(resource(0x0409, 0x04B0, {{u"ProductVersion", u"   "}, {u"Comments", longText}}), false));
    EXPECT_FALSE(GetVersionInfo(blank));
    EXPECT_EQ(ProductVersionText, QStringLiteral("   "));
    EXPECT_EQ(GetVersionString(QStringLiteral("Comments")), QString(128, u'x'));
}

TEST(VersionInfo, BuiltExecutablesCarryTheProjectVersion)
{
    const QString expectedRelease =
        QStringLiteral("%1.%2.%3").arg(SF_VERSION_MAJOR).arg(SF_VERSION_MINOR).arg(SF_VERSION_REVISION);
    const struct {
        QString name, description, original;
    } programs[] = {{"renewkit", "Renewkit", "renewkit.exe"},
                    {"spiderfence", "Spiderfence", "spiderfence.exe"}};
    int found = 0;
    for (const auto& p : programs) {
        const QString path = test::buildBinDir() + QLatin1Char('/') + p.name;
        if (!QFileInfo::exists(path))
            continue;
        ++found;
        ASSERT_TRUE(GetVersionInfo(path)) << p.name.toStdString();
        EXPECT_EQ(VersionLanguage, QStringLiteral("040904B0"));
        EXPECT_EQ(ProductVersionText, expectedRelease);
        EXPECT_EQ(GetVersionString(QStringLiteral("ProductName")), QStringLiteral("Spiderfence"));
        EXPECT_EQ(GetVersionString(QStringLiteral("FileDescription")), p.description);
        EXPECT_EQ(GetVersionString(QStringLiteral("OriginalFilename")), p.original);
        EXPECT_EQ(GetVersionString(QStringLiteral("FileVersion")),
                  expectedRelease + QStringLiteral(".%1").arg(SF_VERSION_BUILD));
        const auto numbers = GetFileVersionNumbers(path);
        ASSERT_TRUE(numbers.has_value());
        EXPECT_EQ(numbers->release(), expectedRelease);
        EXPECT_EQ(numbers->build, SF_VERSION_BUILD);
    }
    EXPECT_GE(found, 1) << "renewkit is built before the tests";
    // Test programs carry the section too, so that windows under test show the release as the program does.
    const auto running = RunningProgramVersion();
    ASSERT_TRUE(running.has_value());
    EXPECT_EQ(running->release(), expectedRelease);
}

TEST(VersionInfo, DamagedElfFilesAreRefusedPromptly)
{
    const QByteArray r = resource(0x0409, 0x04B0);
    const QByteArray good = elfImage(r, true, false);
    const qsizetype shoff = qFromLittleEndian<quint64>(good.constData() + 0x28);
    const qsizetype names = shoff + 64, version = shoff + 128; // section headers 1 and 2
    struct Patch {
        qsizetype at;
        quint64 value;
        int bytes;
    };
    const auto patched = [](QByteArray b, std::initializer_list<Patch> patches) {
        for (const Patch& p : patches)
            put(b, p.at, p.value, p.bytes);
        return b;
    };
    // ELF64 with e_shoff 0x40, e_shentsize 0x40, e_shnum 0: section 0 says 2^58 + 1 sections, whose
    // table's size wraps to 64 bytes in 64-bit arithmetic.
    QByteArray wrapping(128, '\0');
    wrapping.replace(0, 7,
                     "\x7f"
                     "ELF\x02\x01\x01");
    wrapping = patched(wrapping, {{0x28, 0x40, 8}, {0x3A, 0x40, 2}, {0x60, 0x0400000000000001ULL, 8}});
    const struct {
        const char* what;
        QByteArray image;
        bool found;
    } cases[] = {
        {"intact", good, true},
        {"section count in section 0", patched(good, {{0x3C, 0, 2}, {shoff + 0x20, 3, 8}}), true},
        {"name table index in section 0", patched(good, {{0x3E, 0xFFFF, 2}, {shoff + 0x28, 1, 4}}), true},
        {"section count from section 0 that wraps", wrapping, false},
        // The name table's offset plus the name's offset wraps to the real ".sfversion" text at 75.
        {"name table offset near 2^64",
         patched(good,
                 {{names + 0x18, 0ULL - 0x1000, 8}, {names + 0x20, 0x2000, 8}, {version, 0x1000 + 75, 4}}),
         false},
        {"name table past the end", patched(good, {{names + 0x20, 1ULL << 40, 8}}), false},
        {"section count past the end", patched(good, {{0x3C, 0xFFF0, 2}}), false},
        {"name table index past the count", patched(good, {{0x3E, 7, 2}}), false},
        {"section headers near 2^64", patched(good, {{0x28, 0ULL - 64, 8}}), false},
        {"version section near 2^64", patched(good, {{version + 0x18, 0ULL - 8, 8}}), false},
    };
    for (const auto& c : cases) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.image.constData());
        const versionres::Bytes found =
            versionres::extractFromImage(bytes, static_cast<std::size_t>(c.image.size()));
        EXPECT_EQ(found.empty(), !c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(toQ(found), r) << c.what;
        }
    }
}
