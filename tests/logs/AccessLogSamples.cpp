#include "AccessLogSamples.h"

#include <QFile>

#include <gtest/gtest.h>

namespace sf::test {

const char kAuditRobotsTxt[] = "User-agent: GPTBot\n"
                               "Disallow: /\n"
                               "\n"
                               "User-agent: Googlebot\n"
                               "Disallow: /private\n"
                               "Allow: /private/ok\n"
                               "\n"
                               "User-agent: *\n"
                               "Disallow: /cgi-bin\n"
                               "Disallow: /*.pdf$\n";

QByteArray logLine(const QByteArray& target, const QByteArray& agent, const QByteArray& time)
{
    return "203.0.113.7 - - [" + time + "] \"GET " + target + " HTTP/1.1\" 200 512 \"-\" \"" + agent + "\"\n";
}

QByteArray auditSampleLog()
{
    const QByteArray gpt = "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
                           "+https://openai.com/gptbot)";
    const QByteArray google = "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)";
    const QByteArray image = "Googlebot-Image/1.0";
    const QByteArray byte = "Mozilla/5.0 (Linux; Android 5.0) AppleWebKit/537.36 (KHTML, like Gecko) Mobile "
                            "Safari/537.36 (compatible; bytespider; spider-feedback@bytedance.com)";
    const QByteArray weird = "Mozilla/5.0 (compatible; WeirdCrawler/2.0; +http://weird.example/bot.html)";
    const QByteArray browser = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                               "Chrome/120.0 Safari/537.36";
    return logLine("/robots.txt", gpt, "10/Oct/2026:10:00:00 +0000") // GPTBot: fetch
           + logLine("/", gpt)                                       // GPTBot: disallowed
           + logLine("/a?b=1", gpt, "11/Oct/2026:08:30:00 -0100")    // GPTBot: disallowed, last seen
           + logLine("/robots.txt", google)                          // Googlebot: fetch
           + logLine("/private/x", google)                           // Googlebot: disallowed
           + logLine("/private/ok", google)                          // Googlebot: allowed
           + logLine("http://example.com/private/y", google)         // Googlebot: disallowed (full URL)
           + logLine("/private/img.png", image)                      // Googlebot-Image: allowed (*)
           + logLine("/cgi-bin/x", image)                            // Googlebot-Image: disallowed
           + logLine("/doc.pdf", byte)                               // Bytespider: disallowed
           + logLine("/doc.pdf?x", byte)                             // Bytespider: allowed ($)
           + logLine("/cgi-bin/run", weird)                          // unknown:WeirdCrawler: disallowed
           + logLine("/cgi-bin/run", "MyGooglebotClone/1.0")         // unknown:MyGooglebotClone
           + logLine("/cgi-bin/x", browser) + logLine("/", browser)  // visitors
           + logLine("/private/x", "-")                              // visitor
           + "garbage\n"                                             // skipped
           + "203.0.113.7 - - [10/Oct/2026:13:55:36 +0200] \"-\" 408 0 \"-\" \"-\"\n" // skipped
           + "\n";                                                                    // skipped
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace sf::test
