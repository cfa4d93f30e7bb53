#pragma once

#include "rules/RobotsTxt.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

namespace sf::fence {

// The proof on the live site: a sample of URLs requested as each fenced robot, as a browser and as
// other crawlers. A fenced robot must get 403 exactly where robots.txt disallows it (a 403 the server
// gave it before, or gives a browser too, is not the fence's); every other visitor must get what it
// got before (or, with nothing to compare with, no 403 and no 5xx).
//
//   FenceProof proof(txt, sampleTargets(txt, tokens, scanned));
//   proof.addVisitor({"Bytespider", fullUserAgent, "Bytespider"});
//   proof.run(fetch);                   // fetch(url path, user agent) -> HTTP status, 0: no answer
//   for (const ProofRow& row : proof.rows()) ...
struct ProofVisitor {
    QString name;         // as the table shows it: the token, "browser", a search engine's name
    QByteArray userAgent; // the full header value sent
    QByteArray token;     // for a fenced robot its token; empty for every other visitor
};

struct ProofRow {
    QString visitor;
    bool fenced = false;
    int tried = 0;
    int asExpected = 0;      // fenced: refused as robots.txt says; others: unchanged
    QStringList differences; // "/a: 200, robots.txt disallows it", the first few
    int serverErrors = 0;    // 5xx answers
    bool allAgree() const { return tried == asExpected; }
};

using StatusFetch = std::function<int(const QByteArray& target, const QByteArray& userAgent)>;
// The statuses each visitor (by name) got for each target.
using Statuses = std::map<QString, std::map<QByteArray, int>>;

inline constexpr int kShownDifferences = 5;
// The user agent the proof sends as a browser.
inline constexpr char kBrowserAgent[] =
    "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

// "/", "/robots.txt", every rule's path with its "*" filled in, and the given targets, once each.
QList<QByteArray> sampleTargets(const rules::RobotsTxt& txt, const QList<QByteArray>& tokens,
                                const QList<QByteArray>& more = {});

class FenceProof {
public:
    FenceProof(const rules::RobotsTxt& txt, QList<QByteArray> targets)
        : m_txt(txt), m_targets(std::move(targets))
    {
    }

    void addVisitor(const ProofVisitor& visitor) { m_visitors.push_back(visitor); }
    const std::vector<ProofVisitor>& visitors() const { return m_visitors; }
    const QList<QByteArray>& targets() const { return m_targets; }

    // Requests every target as every visitor. Compared with `before` where it holds the visitor.
    Statuses fetchAll(const StatusFetch& fetch) const;
    std::vector<ProofRow> judge(const Statuses& now, const Statuses& before = {}) const;
    // Whether a browser got a 5xx anywhere: the sign of a broken server configuration.
    static bool browserBroken(const Statuses& now, int* status = nullptr, QByteArray* target = nullptr);

private:
    const rules::RobotsTxt& m_txt;
    QList<QByteArray> m_targets;
    std::vector<ProofVisitor> m_visitors;
};

} // namespace sf::fence

namespace sf::fence {
// The status the site at siteAddress ("https://example.com") answers to a GET of the target with
// that User-Agent, redirects not followed; 0 when no answer came. Events run meanwhile.
int fetchStatus(const QString& siteAddress, const QByteArray& target, const QByteArray& userAgent);
} // namespace sf::fence
