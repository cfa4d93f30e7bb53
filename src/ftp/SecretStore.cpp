#include "ftp/SecretStore.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace sf::SecretStore {
namespace {

const QString serviceName = QStringLiteral("Spiderfence");

bool runJob(QKeychain::Job& job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

} // namespace

QString key(const QString& server, const QString& port, const QString& user)
{
    return user + QLatin1Char('@') + server + QLatin1Char(':') + port;
}

Result<void> write(const QString& key, const QString& password)
{
    QKeychain::WritePasswordJob job(serviceName);
    job.setKey(key);
    job.setTextData(password);
    return runJob(job) ? Result<void>{} : Result<void>::failure(job.errorString());
}

std::optional<QString> read(const QString& key)
{
    QKeychain::ReadPasswordJob job(serviceName);
    job.setKey(key);
    if (!runJob(job))
        return std::nullopt;
    return job.textData();
}

} // namespace sf::SecretStore
