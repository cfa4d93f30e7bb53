// The table from which the shipped robot database is built: CSV quoting and the cells' meaning.
#include "robots/RobotCsv.h"

#include "base/DateSerial.h"

#include <gtest/gtest.h>

using namespace sf;

namespace {

QList<QStringList> fieldsOf(const QList<CsvRow>& rows)
{
    QList<QStringList> out;
    for (const CsvRow& row : rows)
        out << row.fields;
    return out;
}

QList<CsvRow> table(const QString& csv)
{
    QList<CsvRow> rows;
    const Result<void> parsed = parseCsv(csv, rows);
    EXPECT_TRUE(parsed.ok) << parsed.error.toStdString();
    return rows;
}

} // namespace

TEST(RobotCsv, ReadsQuotedFieldsAndBothLineEnds)
{
    const struct {
        QString csv;
        QList<QStringList> rows;
    } cases[] = {
        {"a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}},
        {"a,b\n1,2", {{"a", "b"}, {"1", "2"}}},
        {"\"x, y\",\"say \"\"hi\"\"\"\r\n", {{"x, y", "say \"hi\""}}},
        {"\"two\r\nlines\",z\r\n", {{"two\r\nlines", "z"}}},
        {"a,,\r\n,\r\n", {{"a", "", ""}, {"", ""}}},
        {"a\r\n\r\n\r\nb\r\n", {{"a"}, {"b"}}},
        {QStringLiteral("\ufeffname\r\n\"\"\r\n"), {{"name"}, {""}}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fieldsOf(table(c.csv)), c.rows) << c.csv.toStdString();

    const QList<CsvRow> rows = table("h\r\n\"a\nb\nc\"\r\nnext\r\n");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[2].line, 5) << "lines inside quotes count";

    const struct {
        QString csv;
        QString error;
    } bad[] = {
        {"a\r\n\"open,b\r\nc\r\n", "Line 2: a quoted value is not closed."},
        {"a,\"b\"c\r\n", "Line 1: text follows a closing quote."},
    };
    for (const auto& c : bad) {
        QList<CsvRow> out;
        const Result<void> parsed = parseCsv(c.csv, out);
        EXPECT_FALSE(parsed.ok);
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(RobotCsv, RowsBecomeRecords)
{
    const RobotCsvDefaults defaults{37377.0, QStringLiteral("Greyfield"), QStringLiteral("1.0")};
    QList<RobotRecord> records;
    const Result<void> made =
        robotsFromCsv(table("name,Exclusions,noindex,nofollow,from,category,Robot_host,modified_date\r\n"
                            "One,1,,0,yes,Search,  host ,\r\n"
                            "Two,,-1,true,no,image,,2026-12-07\r\n"
                            "Three,0,false,,,,,2026-12-07T12:00:00\r\n"),
                      defaults, records);
    ASSERT_TRUE(made.ok) << made.error.toStdString();
    ASSERT_EQ(records.size(), 3);
    const RobotRecord &one = records[0], &two = records[1], &three = records[2];
    EXPECT_EQ(one.Robot_name, u"One");
    EXPECT_EQ(one.Robot_host, u"  host ") << "stored as given; readers trim";
    EXPECT_EQ((QList<qint16>{one.Robot_exclusions, one.Robot_noindex, one.Robot_nofollow, one.Robot_from}),
              (QList<qint16>{-1, 0, 0, -1}));
    EXPECT_EQ((QList<qint16>{two.Robot_exclusions, two.Robot_noindex, two.Robot_nofollow, two.Robot_from}),
              (QList<qint16>{0, -1, -1, 0}));
    EXPECT_EQ((QList<qint16>{one.Robot_category, two.Robot_category, three.Robot_category}),
              (QList<qint16>{6, 2, 4}))
        << "an empty category is None";
    EXPECT_DOUBLE_EQ(one.Modified_date, 37377.0);
    EXPECT_DOUBLE_EQ(two.Modified_date, 46363.0);
    EXPECT_DOUBLE_EQ(three.Modified_date, 46363.5);
    EXPECT_EQ(three.Modified_by, u"Greyfield");
    EXPECT_EQ(three.RobotVersion, u"1.0");
}

TEST(RobotCsv, RefusesWhatWouldBeCutOrChanged)
{
    const struct {
        QString csv;
        QString error;
    } cases[] = {
        {"name,colour\r\nA,red\r\n", "Line 1: unknown column \"colour\"."},
        {"name,Name\r\nA,B\r\n", "Line 1: column \"Name\" appears twice."},
        {"name,category\r\nA\r\n", "Line 2: 1 values where the header names 2."},
        {"name,noindex\r\nA,maybe\r\n", "Line 2: the value of \"Robot_noindex\" is not a yes/no value."},
        {"name,category\r\nA,Robots\r\n", "Line 2: the value of \"Robot_category\" is not a category."},
        {"name,modified_date\r\nA,07.12.2026\r\n", "Line 2: the value of \"Modified_date\" is not a date."},
        {"name\r\nA\r\n" + QString(151, u'x') + "\r\n",
         "Line 3: the value of \"Robot_name\" is longer than 150 characters."},
        {QStringLiteral("name\r\nArrow \u2192\r\n"),
         "Line 2: the value of \"Robot_name\" holds a character outside Windows-1252."},
    };
    for (const auto& c : cases) {
        QList<RobotRecord> records;
        const Result<void> made = robotsFromCsv(table(c.csv), {}, records);
        EXPECT_FALSE(made.ok) << c.csv.toStdString();
        EXPECT_EQ(made.error, c.error);
    }
}
