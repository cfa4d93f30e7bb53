#include "sfcheck/FenceCommand.h"

#include "base/Translate.h"
#include "fence/FenceProof.h"
#include "fence/ServerRules.h"

#include <QFile>

#include <cstdio>

namespace sf::sfcheck {
namespace {

SF_FILE_TRANSLATIONS("sfcheck")

constexpr int kOk = 0, kDiffers = 1, kFailed = 2;

void print(FILE* stream, const QByteArray& text)
{
    std::fputs(text.constData(), stream);
}

int fail(const QString& message)
{
    print(stderr, (QStringLiteral("sfcheck: ") + message + u'\n').toUtf8());
    return kFailed;
}

bool readFile(const QString& path, QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

QList<QByteArray> tokensOf(const QStringList& words)
{
    QList<QByteArray> tokens;
    for (const QString& word : words)
        tokens << word.toUtf8();
    return tokens;
}

} // namespace

int runFence(const QStringList& args)
{
    // args: sfcheck fence --server KIND ROBOTS_FILE TOKEN...
    QStringList rest = args.mid(2);
    std::optional<fence::ServerKind> kind;
    if (rest.size() >= 2 && rest[0] == QLatin1String("--server")) {
        kind = fence::serverKindNamed(rest[1]);
        rest = rest.mid(2);
    } else if (!rest.isEmpty() && rest[0].startsWith(QLatin1String("--server="))) {
        kind = fence::serverKindNamed(rest[0].mid(9));
        rest = rest.mid(1);
    }
    if (!kind || rest.size() < 2)
        return fail(tr("usage: sfcheck fence --server apache|nginx|caddy ROBOTS_FILE TOKEN..."));
    QByteArray robots;
    QString error;
    if (!readFile(rest[0], robots, error))
        return fail(error);
    const Result<QByteArray> rules =
        fence::serverRules(*kind, rules::RobotsTxt(robots), tokensOf(rest.mid(1)));
    if (!rules)
        return fail(rules.error);
    print(stdout, rules.value());
    return kOk;
}

int runFenceCheck(const QStringList& args)
{
    QStringList rest = args.mid(2);
    QString urlsFile;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--urls")); at >= 0) {
        if (at + 1 >= rest.size())
            return fail(tr("--urls needs a file"));
        urlsFile = rest[at + 1];
        rest.remove(at, 2);
    }
    if (rest.size() < 3 || !rest[0].contains(QLatin1String("://")))
        return fail(tr("usage: sfcheck fence-check SITE_URL ROBOTS_FILE TOKEN... [--urls FILE]"));
    QByteArray robots, urls;
    QString error;
    if (!readFile(rest[1], robots, error) || (!urlsFile.isEmpty() && !readFile(urlsFile, urls, error)))
        return fail(error);
    QList<QByteArray> more;
    for (const QByteArray& line : urls.split('\n')) {
        // As the scan's CSV writes them: the path in the first column.
        const QByteArray path = line.trimmed().split(',').value(0);
        if (path.startsWith('/'))
            more << path;
    }
    const rules::RobotsTxt txt(robots);
    const QList<QByteArray> tokens = tokensOf(rest.mid(2));
    fence::FenceProof proof(txt, fence::sampleTargets(txt, tokens, more));
    for (const QByteArray& token : tokens)
        proof.addVisitor({QString::fromUtf8(token), "Mozilla/5.0 (compatible; " + token + "/1.0)", token});
    proof.addVisitor({QStringLiteral("browser"), fence::kBrowserAgent, {}});
    const QString site = rest[0];
    const auto rows = proof.judge(proof.fetchAll([&](const QByteArray& target, const QByteArray& agent) {
        return fence::fetchStatus(site, target, agent);
    }));
    bool agree = true;
    for (const fence::ProofRow& row : rows) {
        const QString line =
            row.fenced ? tr("%1: %2 of %3 URLs answered as robots.txt says") : tr("%1: %2 of %3 unchanged");
        print(stdout, (line.arg(row.visitor).arg(row.asExpected).arg(row.tried) + u'\n').toUtf8());
        for (const QString& difference : row.differences)
            print(stdout, ("  " + difference + u'\n').toUtf8());
        agree = agree && row.allAgree();
    }
    return agree ? kOk : kDiffers;
}

} // namespace sf::sfcheck
