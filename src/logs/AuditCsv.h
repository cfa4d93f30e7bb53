#pragma once

#include "base/Result.h"
#include "logs/AccessLogAudit.h"

#include <QByteArray>

namespace sf::logs {

// The CSV of a reading: the header
//   robot,purpose,requests,disallowed,robots_txt_fetches,first_seen,last_seen
// and one row per robot (unknown ones included) in the report's order, times as ISO 8601 in UTC.
// The CSVs of runs over the parts of a log add up to the CSV of one run over the whole.
QByteArray auditCsv(const AuditReport& report);

// The robots of such a CSV (visitors and skipped lines are not in it); fails on a file of another
// shape, naming the line.
Result<AuditReport> readAuditCsv(const QByteArray& csv);

} // namespace sf::logs
