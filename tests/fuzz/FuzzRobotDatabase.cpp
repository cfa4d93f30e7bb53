// A robots.rbd of any bytes: the check a downloaded database must pass, every record in one pass,
// then the last (maybe partial) record and the one past the end by number; each record read is
// stored again.
#include "FuzzInput.h"
#include "online/UpdateCheck.h"
#include "robots/RobotDatabase.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzzBytes(data, size);
    (void)sf::CheckRobotDatabase(bytes);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    sf::RobotDatabase::readRecords(
        in, [](qint32, const char* record) { (void)sf::RobotRecord::fromData(record).toData(); });
    const qint32 count = sf::RobotDatabase::countRecords(bytes.size());
    for (qint32 n : {count, count + 1}) {
        sf::RobotRecord record;
        if (sf::RobotDatabase::readRecord(in, n, record))
            (void)record.toData();
    }
    return 0;
}
