#include "project/ProjectFile.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "project/RuleGrid.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>

#include <array>
#include <cstring>

namespace sf::ProjectFile {
namespace {

enum Offset {
    HeaderText = 0,
    UploadDir = 150,
    Server = 300,
    Port = 450,
    User = 465,
    Password = 540,
    BinaryFlag = 615,
    ActiveFlag = 617,
    ProtocolByte = 619,
    TrustByte = 620,
    PasswordByte = 621,
    KeyFile = 624
};

// The key file path is stored as UTF-8 so that no character of a path is lost; a path that does
// not fit is not stored at all rather than cut into another file's name.
void writeKeyFile(char* field, const QString& path)
{
    const QByteArray bytes = path.toUtf8();
    std::memset(field, 0, ProjectHeader::kKeyFileWidth);
    if (bytes.size() <= ProjectHeader::kKeyFileWidth)
        std::memcpy(field, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString readKeyFile(const char* field)
{
    // A short file reads its missing bytes as spaces.
    return trimSpaces(QString::fromUtf8(field, qstrnlen(field, ProjectHeader::kKeyFileWidth)));
}

using Slot = std::array<char, kSlotSize>;

void encodeHeader(char* slot, const ProjectHeader& h)
{
    std::memset(slot, 0, kSlotSize);
    writeFixedText(slot + HeaderText, ProjectHeader::kHeaderTextWidth, h.headerText);
    writeFixedText(slot + UploadDir, ProjectHeader::kUploadDirectoryWidth, h.uploadDirectory);
    writeFixedText(slot + Server, ProjectHeader::kServerWidth, h.server);
    writeFixedText(slot + Port, ProjectHeader::kPortWidth, h.port);
    writeFixedText(slot + User, ProjectHeader::kUserWidth, h.user);
    writeFixedText(slot + Password, ProjectHeader::kPasswordWidth,
                   h.rememberPassword ? h.password : QString());
    writeInt16(slot + BinaryFlag, h.binaryTransfer);
    writeInt16(slot + ActiveFlag, h.activeMode);
    slot[ProtocolByte] = static_cast<char>(h.protocol);
    slot[TrustByte] = static_cast<char>(h.trust);
    slot[PasswordByte] = h.rememberPassword ? 0 : 1;
    writeKeyFile(slot + KeyFile, h.keyFile);
}

ProjectHeader decodeHeader(const Slot& slot)
{
    ProjectHeader h;
    h.headerText = readFixedText(slot.data() + HeaderText, ProjectHeader::kHeaderTextWidth);
    h.uploadDirectory = readFixedText(slot.data() + UploadDir, ProjectHeader::kUploadDirectoryWidth);
    h.server = readFixedText(slot.data() + Server, ProjectHeader::kServerWidth);
    h.port = readFixedText(slot.data() + Port, ProjectHeader::kPortWidth);
    h.user = readFixedText(slot.data() + User, ProjectHeader::kUserWidth);
    h.password = readFixedText(slot.data() + Password, ProjectHeader::kPasswordWidth);
    h.binaryTransfer = readInt16(slot.data() + BinaryFlag);
    h.activeMode = readInt16(slot.data() + ActiveFlag);
    // Only the values written here count: anything else in these bytes means "as before".
    h.protocol = ftp::protocolFromNumber(static_cast<unsigned char>(slot[ProtocolByte]));
    h.trust = slot[TrustByte] == 1 ? ftp::TrustPolicy::Refuse : ftp::TrustPolicy::Ask;
    h.rememberPassword = slot[PasswordByte] != 1;
    h.keyFile = readKeyFile(slot.data() + KeyFile);
    return h;
}

// Reads the next slot; bytes past the end of the data read as spaces.
void readSlot(const QByteArray& data, qint64 index, Slot& slot)
{
    slot.fill(' ');
    const qint64 begin = index * kSlotSize;
    const qint64 available = std::min<qint64>(kSlotSize, data.size() - begin);
    if (available > 0)
        std::memcpy(slot.data(), data.constData() + begin, static_cast<std::size_t>(available));
}

} // namespace

QString unstorableField(const ProjectHeader& header)
{
    const std::pair<const QString*, const char*> fields[] = {
        {&header.headerText, QT_TRANSLATE_NOOP("sf::ProjectFile", "robots.txt header")},
        {&header.uploadDirectory, QT_TRANSLATE_NOOP("sf::ProjectFile", "upload folder")},
        {&header.server, QT_TRANSLATE_NOOP("sf::ProjectFile", "FTP server")},
        {&header.port, QT_TRANSLATE_NOOP("sf::ProjectFile", "port")},
        {&header.user, QT_TRANSLATE_NOOP("sf::ProjectFile", "user name")},
        {&header.password, QT_TRANSLATE_NOOP("sf::ProjectFile", "password")},
    };
    for (const auto& [text, name] : fields)
        if (!fitsAnsi(*text) && (text != &header.password || header.rememberPassword))
            return QCoreApplication::translate("sf::ProjectFile", name);
    return {};
}

Result<void> read(QIODevice& device, Contents& contents)
{
    const QByteArray data = device.readAll();
    if (device.isSequential() == false && data.size() < device.size())
        return Result<void>::failure(device.errorString());
    const qint64 slotCount = RecordCount(data.size(), kSlotSize);
    contents.rows = QStringList{RuleGrid::ruleLine()};
    if (slotCount == 0) {
        contents.header = ProjectHeader{};
        contents.header.uploadDirectory.clear();
        contents.header.binaryTransfer = -1;
        contents.header.activeMode = -1;
        return {};
    }
    Slot slot;
    readSlot(data, 0, slot);
    contents.header = decodeHeader(slot);
    contents.rows.reserve(slotCount);
    for (qint64 k = 1; k < slotCount; ++k) {
        readSlot(data, k, slot);
        contents.rows.append(readFixedText(slot.data(), kLineWidth));
    }
    return {};
}

Result<void> write(QIODevice& device, const ProjectHeader& header, const QStringList& rows)
{
    // Slots are encoded in place into a buffer of a few dozen slots that goes out whenever it is full;
    // every few buffers the disk is asked to start taking them while the next ones are encoded.
    constexpr qsizetype kChunkSlots = 64;
    constexpr qsizetype kWriteBackChunks = 8;
    QByteArray chunk(kChunkSlots * kSlotSize, Qt::Uninitialized);
    const qsizetype slotCount = std::max<qsizetype>(rows.size(), 1);
    qsizetype filled = 0;
    for (qsizetype k = 0; k < slotCount; ++k) {
        char* slot = chunk.data() + filled * kSlotSize;
        if (k == 0) {
            encodeHeader(slot, header);
        } else {
            writeFixedText(slot, kLineWidth, rows.at(k));
            std::memset(slot + kLineWidth, 0, kSlotSize - kLineWidth);
        }
        if (++filled < kChunkSlots && k + 1 < slotCount)
            continue;
        const qint64 bytes = filled * kSlotSize;
        if (device.write(chunk.constData(), bytes) != bytes)
            return Result<void>::failure(device.errorString());
        filled = 0;
        if ((k + 1) % (kChunkSlots * kWriteBackChunks) == 0)
            StartWriteBack(device);
    }
    return {};
}

Result<void> load(const QString& path, Contents& contents)
{
    QFile file(path);
    if (!file.exists()) {
        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        return read(empty, contents);
    }
    if (!file.open(QIODevice::ReadOnly))
        return Result<void>::failure(file.errorString());
    return read(file, contents);
}

Result<void> save(const QString& path, const ProjectHeader& header, const QStringList& rows)
{
    return SaveFileAtomically(path, [&](QIODevice& file) { return write(file, header, rows); });
}

} // namespace sf::ProjectFile
