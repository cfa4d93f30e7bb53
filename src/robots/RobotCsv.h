#pragma once

#include "base/Result.h"
#include "robots/RobotRecord.h"

#include <QList>
#include <QStringList>

namespace sf {

// One row of a CSV text and the line on which it starts (from 1).
struct CsvRow {
    int line = 0;
    QStringList fields;
};

// Reads comma-separated values with RFC 4180 quoting: a quoted field may hold commas, doubled
// quotes and line breaks; rows end in CR LF or LF; empty lines are skipped. Fails with a message
// naming the line on an unterminated quote or text after a closing quote.
Result<void> parseCsv(QStringView text, QList<CsvRow>& rows);

// What a record gets where the table has no column or an empty cell for it.
struct RobotCsvDefaults {
    double modifiedDate = 0.0;
    QString modifiedBy;
    QString version;
};

// Turns a table of robots into records. The first row names the columns: a field's name, with or
// without its "Robot_" prefix, in any case (name, exclusion_useragent, category, modified_date...).
// Yes/no cells: "1", "-1", "yes", "true" are yes; empty, "0", "no", "false" are no. The category
// is its name ("Music", "Image", "News", "None", "Email", "Search"); an empty cell is "None".
// Dates are ISO 8601 (2026-12-07 or 2026-12-07T10:30:00), local time. A text that does not fit its
// field or holds a character outside Windows-1252 is refused rather than cut or changed.
Result<void> robotsFromCsv(const QList<CsvRow>& rows, const RobotCsvDefaults& defaults,
                           QList<RobotRecord>& records);

} // namespace sf
