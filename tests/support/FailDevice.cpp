#include "support/FailDevice.h"

#include <algorithm>
#include <cstring>

namespace sf::test {

FailDevice::FailDevice(QByteArray* data, qint64 writeLimit, qint64 readLimit)
    : m_data(data), m_writeLimit(writeLimit), m_readLimit(readLimit)
{
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

bool FailDevice::seek(qint64 pos)
{
    ++m_seeks;
    return QIODevice::seek(pos);
}

qint64 FailDevice::readData(char* data, qint64 maxSize)
{
    ++m_reads;
    qint64 allowed = std::min(maxSize, m_data->size() - pos());
    if (m_readLimit != kNoLimit) {
        if (m_read >= m_readLimit) {
            setErrorString(QStringLiteral("simulated read error"));
            return -1;
        }
        allowed = std::min(allowed, m_readLimit - m_read);
    }
    allowed = std::max<qint64>(allowed, 0);
    std::memcpy(data, m_data->constData() + pos(), static_cast<std::size_t>(allowed));
    m_read += allowed;
    return allowed;
}

qint64 FailDevice::writeData(const char* data, qint64 size)
{
    qint64 allowed = size;
    if (m_writeLimit != kNoLimit) {
        if (m_written >= m_writeLimit) {
            setErrorString(QStringLiteral("simulated disk full"));
            return -1;
        }
        allowed = std::min(size, m_writeLimit - m_written);
        if (allowed < size)
            setErrorString(QStringLiteral("simulated disk full"));
    }
    if (pos() + allowed > m_data->size())
        m_data->resize(pos() + allowed, '\0');
    std::memcpy(m_data->data() + pos(), data, static_cast<std::size_t>(allowed));
    m_written += allowed;
    return allowed;
}

} // namespace sf::test
