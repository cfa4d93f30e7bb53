#pragma once

#include <QByteArray>
#include <QIODevice>

namespace sf::test {

// A random-access device over a byte array that fails on purpose: writes stop after writeLimit
// bytes (the bytes up to the limit do arrive, as on a full disk), reads fail once readLimit bytes
// were read. It counts seeks and reads, so tests can see how a reader walks the file.
class FailDevice : public QIODevice {
public:
    static constexpr qint64 kNoLimit = -1;

    explicit FailDevice(QByteArray* data, qint64 writeLimit = kNoLimit, qint64 readLimit = kNoLimit);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_data->size(); }
    bool seek(qint64 pos) override;

    int seeks() const { return m_seeks; }
    int reads() const { return m_reads; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QByteArray* m_data;
    qint64 m_writeLimit;
    qint64 m_readLimit;
    qint64 m_written = 0;
    qint64 m_read = 0;
    int m_seeks = 0;
    int m_reads = 0;
};

} // namespace sf::test
