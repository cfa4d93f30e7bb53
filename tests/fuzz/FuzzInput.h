#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The fuzzer's input as a QByteArray that shares its bytes (valid during the call only).
inline QByteArray fuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
