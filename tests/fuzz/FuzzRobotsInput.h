#pragma once

#include "FuzzInput.h"

// A crawler's name on the first line, a URL on the second, the robots.txt after them.
struct RobotsInput {
    QByteArray agent, url, robots;
};

inline RobotsInput robotsInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const qsizetype first = bytes.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : bytes.indexOf('\n', first + 1);
    if (second < 0)
        return {QByteArray("FooBot"), QByteArray("/"), bytes};
    return {bytes.first(first), bytes.sliced(first + 1, second - first - 1), bytes.sliced(second + 1)};
}
