// A project file of any bytes: read it, and write back what was read.
#include "FuzzInput.h"
#include "project/ProjectFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzzBytes(data, size);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    sf::ProjectFile::Contents contents;
    if (sf::ProjectFile::read(in, contents)) {
        QByteArray written;
        QBuffer out(&written);
        out.open(QIODevice::WriteOnly);
        sf::ProjectFile::write(out, contents.header, contents.rows);
    }
    return 0;
}
