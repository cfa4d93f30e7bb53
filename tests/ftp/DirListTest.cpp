#include "ftp/cDirList.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(DirList, AttributeBitsSetExactlyTheirFlags)
{
    struct Case {
        quint32 bits;
        const char* flags; // the set flags, in field order: R H S D A N T C O
    } cases[] = {
        {0x10, "---D-----"},
        {0x80, "-----N---"},
        {0x1, "R--------"},
        {0x2, "-H-------"},
        {0x4, "--S------"},
        {0x20, "----A----"},
        {0x100, "------T--"},
        {0x800, "-------C-"},
        {0x1000, "--------O"},
        {0x1 | 0x10 | 0x1000, "R--D----O"},
        {0x40 | 0x200 | 0x400, "---------"},
    };
    for (const Case& c : cases) {
        cDirList list;
        const cDirItem& item = list.Add(c.bits, {}, {}, {}, 0, QStringLiteral("x"));
        const bool flags[] = {item.ReadOnly, item.Hidden,    item.System,     item.Directory, item.Archive,
                              item.Normal,   item.Temporary, item.Compressed, item.Offline};
        const char letters[] = "RHSDANTCO";
        QByteArray got;
        for (int i = 0; i < 9; ++i)
            got += flags[i] ? letters[i] : '-';
        EXPECT_EQ(got, QByteArray(c.flags)) << std::hex << c.bits;
    }
}

TEST(DirList, KeepsOrderAndFindsNamesWithoutRegardToCase)
{
    cDirList list;
    const QDateTime t(QDate(2026, 1, 2), QTime(3, 4));
    list.Add(0x80, t, t, t, 10, QStringLiteral("Robots.TXT"));
    list.Add(0x10, t, t, t, 0, QStringLiteral("images"));
    list.Add(0x80, t, t, t, 20, QStringLiteral("robots.txt")); // differs only in case: listed, not keyed
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(1).FileName, QStringLiteral("Robots.TXT"));
    EXPECT_EQ(list.Item(3).FileSize, 20);
    EXPECT_EQ(list.Item(QStringLiteral("ROBOTS.txt")).FileSize, 10);
    EXPECT_EQ(list.Item(QStringLiteral("IMAGES")).FileName, QStringLiteral("images"));
    EXPECT_EQ(list.Item(2).LastWriteTime, t);

    QStringList names;
    for (const cDirItem& item : list)
        names << item.FileName;
    EXPECT_EQ(names, QStringList({"Robots.TXT", "images", "robots.txt"}));

    EXPECT_THROW(list.Item(0), std::out_of_range);
    EXPECT_THROW(list.Item(4), std::out_of_range);
    EXPECT_THROW(list.Item(QStringLiteral("missing")), std::out_of_range);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains(QStringLiteral("images")));
    EXPECT_TRUE(list.begin() == list.end());
}
