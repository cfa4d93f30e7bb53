#include "base/CodePage.h"
#include "base/DateSerial.h"
#include "base/FileUtils.h"
#include "gui/common/LocalFiles.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace sf;

TEST(CodePage, RoundTripsEveryByteAndReplacesWhatItCannotHold)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toAnsi(fromAnsi(all)), all);

    struct Case {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("plain"), "plain"},
        {QString::fromUtf8("\u20ac5 caf\u00e9"), "\x80"
                                                 "5 caf\xe9"},
        {QString::fromUtf8("\u201cq\u201d \u2122"), "\x93q\x94 \x99"},
        {QString::fromUtf8("\u4e2d\u6587"), "??"},
        {QString::fromUtf8("\U0001F600!"), "?!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toAnsi(c.text), c.bytes) << c.text.toStdString();
}

TEST(CodePage, FixedFieldsPadCutAndTrimOnlySpaces)
{
    char field[8];
    writeFixedText(field, 8, QStringLiteral("ab"));
    EXPECT_EQ(QByteArray(field, 8), QByteArray("ab      "));
    writeFixedText(field, 8, QStringLiteral("0123456789"));
    EXPECT_EQ(QByteArray(field, 8), QByteArray("01234567"));
    EXPECT_EQ(readFixedText("  a b \t  ", 9), QStringLiteral("a b \t"));
    EXPECT_EQ(readFixedText("        ", 8), QString());
    // Wide fields, whose padding is skipped a word at a time: text that ends on, before and inside
    // the last words, and runs of eight spaces inside the text.
    for (const char* text :
         {"x", "abcdefg", "abcdefgh", "abcdefghi", "a        b", "        lead", "\xe9t\xe9"}) {
        char wide[150];
        writeFixedText(wide, 150, QString::fromLatin1(text));
        EXPECT_EQ(readFixedText(wide, 150), QString::fromLatin1(text).trimmed()) << text;
        EXPECT_EQ(readFixedText(wide, 13), QString::fromLatin1(text).left(13).trimmed()) << text;
    }

    char number[2];
    writeInt16(number, -1);
    EXPECT_EQ(QByteArray(number, 2), QByteArray("\xff\xff", 2));
    writeInt16(number, 0x1234);
    EXPECT_EQ(QByteArray(number, 2), QByteArray("\x34\x12", 2));
    EXPECT_EQ(readInt16(number), 0x1234);
}

TEST(FileUtils, PathTailAndFileTitle)
{
    const QString s = QDir::separator();
    auto p = [&](QString text) { return text.replace(u'|', s); };
    struct Case {
        QString path;
        int n;
        QString tail;
    } cases[] = {
        {p("|dir|file.sfp"), 1, "file.sfp"},
        {p("|dir|file.sfp"), 2, p("dir|file.sfp")},
        {p("|dir|file.sfp"), 5, p("|dir|file.sfp")},
        {p("|a|b|"), 1, p("b|")},
        {p("name"), 1, "name"},
        {QString(), 1, QString()},
        {p("|"), 1, p("|")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathTail(c.path, c.n), c.tail) << c.path.toStdString() << " n=" << c.n;

    EXPECT_EQ(FileTitle(p("|dir|my.project.sfp"), false), "my.project");
    EXPECT_EQ(FileTitle(p("|dir|my.project.sfp"), true), "my.project.sfp");
    EXPECT_EQ(FileTitle(p("|dir|noext"), false), "noext");
    EXPECT_EQ(FileTitle(p("|dir|noext"), true), "noext");
}

TEST(FileUtils, LengthExistenceDeletionAndRecordCounting)
{
    test::TempProgramDir dir;
    const QString file = dir.file("a.bin");
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(FileLength(file), 0);
    test::writeFileBytes(file, QByteArray(1234, 'x'));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path())); // a folder is not a file
    EXPECT_EQ(FileLength(file), 1234);
    DeleteLocalFile(file);
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(test::scriptedPrompt().messages().isEmpty());
    DeleteLocalFile(file);
    EXPECT_EQ(test::scriptedPrompt().messages(), QStringList{"Error deleting File"});
    EXPECT_EQ(ProgramPath("robots.rbd"),
              QDir::toNativeSeparators(dir.path()) + QDir::separator() + "robots.rbd");

    struct Case {
        qint64 length, size, count;
    } cases[] = {
        {6552 * 3, 6552, 3},
        {2 * 6552 + 3283, 6552, 3},
        {3276, 6552, 0},
        {3 * 6552 + 3276, 6552, 4},
        {2 * 6552 + 3276, 6552, 2},
        {0, 6552, 0},
        {617, 1234, 0},
        {618, 1234, 1},
        {1234 * 2 + 617, 1234, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordCount(c.length, c.size), c.count) << c.length << "/" << c.size;
}

TEST(DateSerial, KnownDatesAndRoundTrip)
{
    EXPECT_DOUBLE_EQ(toDateSerial(QDateTime(QDate(2002, 5, 1), QTime(0, 0))), 37377.0);
    EXPECT_DOUBLE_EQ(toDateSerial(QDateTime(QDate(1899, 12, 30), QTime(12, 0))), 0.5);
    EXPECT_DOUBLE_EQ(toDateSerial(QDateTime(QDate(1900, 1, 1), QTime(6, 0))), 2.25);
    const QDateTime t(QDate(2026, 12, 7), QTime(13, 45, 30));
    EXPECT_EQ(fromDateSerial(toDateSerial(t)), t);
    EXPECT_EQ(fromDateSerial(37377.0), QDateTime(QDate(2002, 5, 1), QTime(0, 0)));
}
