#include "history/PublishHistory.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/InstallMode.h"
#include "base/Translate.h"
#include "ftp/cFTP.h"
#include "project/ProjectFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSet>
#include <QUrl>

#include <algorithm>

namespace sf::history {
namespace {

SF_FILE_TRANSLATIONS("sf::history")

constexpr int kFormat = 1;
constexpr qsizetype kLongestName = 160;
constexpr int kLockWaitMs = 2000;
const QString kIndexName = QStringLiteral("index.json");
const QString kFilesFolder = QStringLiteral("files");

QString loginOf(const Place& place)
{
    return QStringLiteral("%1@%2:%3").arg(place.user, place.server.toLower()).arg(place.port);
}

QByteArray sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool isHash(const QString& text)
{
    static const QString kHex = QStringLiteral("0123456789abcdef");
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return kHex.contains(c); });
}

QJsonObject fileObject(const QByteArray& hash, qint64 size)
{
    return {{QStringLiteral("sha256"), QString::fromLatin1(hash)}, {QStringLiteral("size"), size}};
}

bool readFileObject(const QJsonValue& value, QByteArray& hash, qint64& size)
{
    const QJsonObject object = value.toObject();
    const QString text = object.value(QStringLiteral("sha256")).toString();
    const double bytes = object.value(QStringLiteral("size")).toDouble(-1);
    if (!isHash(text) || bytes < 0 || bytes > 1e15 ||
        bytes != static_cast<double>(static_cast<qint64>(bytes)))
        return false;
    hash = text.toLatin1();
    size = static_cast<qint64>(bytes);
    return true;
}

QJsonObject recordObject(const Record& r)
{
    QJsonObject object{{QStringLiteral("number"), r.number},
                       {QStringLiteral("time"), r.time.toUTC().toString(Qt::ISODateWithMs)},
                       {QStringLiteral("file"), r.fileName},
                       {QStringLiteral("folder"), r.folder},
                       {QStringLiteral("siteAddress"), r.siteAddress},
                       {QStringLiteral("sent"), fileObject(r.sentHash, r.sentSize)}};
    switch (r.replaced) {
    case ServerFile::State::Held:
        object.insert(QStringLiteral("replaced"), fileObject(r.replacedHash, r.replacedSize));
        break;
    case ServerFile::State::None:
        object.insert(QStringLiteral("replaced"), QStringLiteral("none"));
        break;
    case ServerFile::State::Unread:
        object.insert(QStringLiteral("replaced"), QStringLiteral("unread"));
        break;
    }
    return object;
}

bool readRecord(const QJsonObject& object, Record& r)
{
    r.number = object.value(QStringLiteral("number")).toInt(0);
    r.time = QDateTime::fromString(object.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    r.fileName = object.value(QStringLiteral("file")).toString();
    r.folder = object.value(QStringLiteral("folder")).toString();
    r.siteAddress = object.value(QStringLiteral("siteAddress")).toString();
    const QJsonValue replaced = object.value(QStringLiteral("replaced"));
    if (replaced.toString() == u"none")
        r.replaced = ServerFile::State::None;
    else if (replaced.toString() == u"unread")
        r.replaced = ServerFile::State::Unread;
    else if (readFileObject(replaced, r.replacedHash, r.replacedSize))
        r.replaced = ServerFile::State::Held;
    else
        return false;
    return r.number > 0 && r.time.isValid() && !r.fileName.isEmpty() &&
           readFileObject(object.value(QStringLiteral("sent")), r.sentHash, r.sentSize);
}

// The oldest publishes of each file beyond the number kept.
void prune(Index& index)
{
    QHash<QString, int> left;
    for (const Record& r : std::as_const(index.records))
        ++left[r.fileName];
    index.records.removeIf([&left](const Record& r) { return left[r.fileName]-- > kKeptPublishes; });
}

QString encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "@.-_"));
}

} // namespace

Place Place::of(const ProjectHeader& header)
{
    Place place;
    place.server = trimSpaces(header.server);
    place.port = cFTP::PortFromText(header.port, header.protocol);
    place.user = trimSpaces(header.user);
    place.folder = header.siteFolder();
    place.siteAddress = header.siteAddress;
    place.protocol = header.protocol;
    return place;
}

Result<Index> readIndex(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject top = document.object();
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Result<Index>::failure(tr("not an index of publishes: %1").arg(error.errorString()));
    if (top.value(QStringLiteral("format")).toInt() != kFormat)
        return Result<Index>::failure(tr("an index of publishes in a format this version does not know"));
    Index index;
    index.server = top.value(QStringLiteral("server")).toString();
    index.folder = top.value(QStringLiteral("folder")).toString();
    int last = 0;
    for (const auto& value : top.value(QStringLiteral("publishes")).toArray()) {
        Record record;
        if (!readRecord(value.toObject(), record) || record.number <= last)
            return Result<Index>::failure(
                tr("publish %1 of the index is damaged").arg(index.records.size() + 1));
        last = record.number;
        index.records.append(record);
    }
    return index;
}

QByteArray writeIndex(const Index& index)
{
    QJsonArray publishes;
    for (const Record& record : index.records)
        publishes.append(recordObject(record));
    const QJsonObject top{{QStringLiteral("format"), kFormat},
                          {QStringLiteral("server"), index.server},
                          {QStringLiteral("folder"), index.folder},
                          {QStringLiteral("publishes"), publishes}};
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

QString historyRoot()
{
    return UserDataDirectory() + QStringLiteral("/history");
}

QString folderName(const Place& place)
{
    QString name = encoded(loginOf(place)).replace(u'%', u'~');
    if (!place.folder.isEmpty())
        name += u'_' + encoded(place.folder).replace(u'%', u'~');
    if (name.size() > kLongestName) {
        const QByteArray whole = sha256((loginOf(place) + u'\n' + place.folder).toUtf8());
        name = name.left(kLongestName - 17) + u'-' + QString::fromLatin1(whole.left(16));
    }
    return name;
}

History History::of(const Place& place)
{
    return History(historyRoot() + u'/' + folderName(place));
}

Result<Index> History::load() const
{
    QFile file(m_folder + u'/' + kIndexName);
    if (!file.exists())
        return Index{};
    if (!file.open(QIODevice::ReadOnly))
        return Result<Index>::failure(tr("%1: cannot read: %2").arg(file.fileName(), file.errorString()));
    const Result<Index> index = readIndex(file.readAll());
    if (!index)
        return Result<Index>::failure(tr("%1: %2").arg(file.fileName(), index.error));
    return index;
}

Result<void> History::keep(const QByteArray& content, QByteArray& hash) const
{
    hash = sha256(content);
    const QString path = m_folder + u'/' + kFilesFolder + u'/' + QString::fromLatin1(hash);
    if (QFileInfo::exists(path) && bytes(hash, content.size()))
        return {}; // kept already, by an earlier publish
    return SaveFileAtomically(path, content);
}

Result<Record> History::add(const Place& place, const QString& fileName, const ServerFile& replaced,
                            const QByteArray& sent, const QDateTime& time)
{
    if (!QDir().mkpath(m_folder + u'/' + kFilesFolder))
        return Result<Record>::failure(tr("cannot make the folder %1").arg(m_folder));
    QLockFile lock(m_folder + QStringLiteral("/index.lock"));
    if (!lock.tryLock(kLockWaitMs))
        return Result<Record>::failure(tr("%1 is being written by another program").arg(m_folder));
    Result<Index> loaded = load();
    if (!loaded) {
        // A damaged index steps aside, kept for whoever wants to look at it, and a new one begins.
        const QString index = m_folder + u'/' + kIndexName;
        QFile::remove(index + QStringLiteral(".damaged"));
        if (!QFile::rename(index, index + QStringLiteral(".damaged")))
            return Result<Record>::failure(loaded.error);
        loaded = Index{};
    }
    Index index = std::move(loaded).value();
    index.server = loginOf(place);
    index.folder = place.folder;
    Record record;
    record.number = index.records.isEmpty() ? 1 : index.records.last().number + 1;
    record.time = time.toUTC();
    record.fileName = fileName;
    record.folder = place.folder;
    record.siteAddress = place.siteAddress;
    record.sentSize = sent.size();
    record.replaced = replaced.state;
    if (const Result<void> kept = keep(sent, record.sentHash); !kept)
        return Result<Record>::failure(kept.error);
    if (replaced.state == ServerFile::State::Held) {
        record.replacedSize = replaced.bytes.size();
        if (const Result<void> kept = keep(replaced.bytes, record.replacedHash); !kept)
            return Result<Record>::failure(kept.error);
    }
    index.records.append(record);
    prune(index);
    if (const Result<void> written = SaveFileAtomically(m_folder + u'/' + kIndexName, writeIndex(index));
        !written)
        return Result<Record>::failure(written.error);
    removeUnreferenced(index);
    return record;
}

void History::removeUnreferenced(const Index& index) const
{
    QSet<QString> used;
    for (const Record& r : index.records) {
        used.insert(QString::fromLatin1(r.sentHash));
        if (r.replaced == ServerFile::State::Held)
            used.insert(QString::fromLatin1(r.replacedHash));
    }
    QDir files(m_folder + u'/' + kFilesFolder);
    for (const QString& name : files.entryList(QDir::Files))
        if (isHash(name) && !used.contains(name))
            files.remove(name);
}

Result<QList<Record>> History::publishes(const QString& fileName) const
{
    const Result<Index> index = load();
    if (!index)
        return index.status();
    QList<Record> records;
    for (auto r = index->records.crbegin(); r != index->records.crend(); ++r)
        if (r->fileName == fileName)
            records.append(*r);
    return records;
}

Result<QByteArray> History::bytes(const QByteArray& hash, qint64 size) const
{
    QFile file(m_folder + u'/' + kFilesFolder + u'/' + QString::fromLatin1(hash));
    if (!file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(
            tr("%1: cannot read: %2").arg(file.fileName(), file.errorString()));
    QByteArray read = file.readAll();
    if (read.size() != size || sha256(read) != hash)
        return Result<QByteArray>::failure(
            tr("%1 is damaged: it no longer holds the file kept").arg(file.fileName()));
    return read;
}

Result<QByteArray> History::replacedBytes(const Record& record) const
{
    if (record.replaced == ServerFile::State::None)
        return Result<QByteArray>::failure(
            tr("publish %1 replaced no file: the server held none").arg(record.number));
    if (record.replaced == ServerFile::State::Unread)
        return Result<QByteArray>::failure(
            tr("the file publish %1 replaced could not be read from the server").arg(record.number));
    return bytes(record.replacedHash, record.replacedSize);
}

Result<Record> recordPublish(const Place& place, const QString& fileName, const ServerFile& replaced,
                             const QByteArray& sent)
{
    return History::of(place).add(place, fileName, replaced, sent);
}

} // namespace sf::history
