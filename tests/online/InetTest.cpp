#include "transfer/Inet.h"
#include "support/HttpServer.h"
#include "transfer/InetStatus.h"
#include "transfer/SafeDownload.h"
#include "transfer/ServiceUrls.h"
#include "transfer/Wait.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace sf;
using sf::test::HttpServer;

namespace {

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(gen.bounded(256));
    return bytes;
}

// Records the states of one control in the order they arrive.
struct StateLog {
    explicit StateLog(Inet& inet)
    {
        QObject::connect(&inet, &Inet::StateChanged, &inet, [this](int s) { states.push_back(s); });
    }
    bool ended() const
    {
        return !states.empty() && (states.back() == Inet::ResponseCompleted || states.back() == Inet::Error);
    }
    std::vector<int> states;
};

bool runUntilEnded(const StateLog& log, int ms = 20000)
{
    return QTest::qWaitFor([&] { return log.ended(); }, ms);
}

const std::vector<int> kCompleteGet{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};

} // namespace

TEST(Inet, GetDeliversEveryStateInOrderAndTheBodyIn256ByteChunks)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    for (qsizetype size : {0, 1, 255, 256, 512, 3000, 70000}) {
        const QByteArray file = randomBytes(size, static_cast<quint32>(size));
        server.putFile(QStringLiteral("f%1.bin").arg(size), file);
        Inet inet;
        StateLog log(inet);
        ASSERT_TRUE(inet.Execute(server.baseUrl() + QStringLiteral("/files/f%1.bin").arg(size), "GET"));
        EXPECT_TRUE(log.states.empty()) << "no state before the caller has returned";
        ASSERT_TRUE(runUntilEnded(log)) << size;
        EXPECT_EQ(log.states, kCompleteGet) << size;
        EXPECT_FALSE(inet.StillExecuting());
        EXPECT_EQ(inet.HttpStatus(), 200);
        QByteArray got;
        std::vector<qsizetype> lengths;
        for (QByteArray c = inet.GetChunk(256); !c.isEmpty(); c = inet.GetChunk(256)) {
            lengths.push_back(c.size());
            got += c;
        }
        EXPECT_EQ(got, file) << size;
        EXPECT_EQ(lengths.size(), static_cast<size_t>((size + 255) / 256)) << size;
        for (size_t i = 0; i + 1 < lengths.size(); ++i)
            EXPECT_EQ(lengths[i], 256);
        EXPECT_TRUE(inet.GetChunk(256).isEmpty());
    }
}

TEST(Inet, PostSendsItsHeaderLinesAndBodyByteForByte)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.setWebFunction(QStringLiteral("submitrobot.asp"), "thanks");
    QByteArray body;
    for (int rep = 0; rep < 8; ++rep) // every byte value, and long enough to tempt a 100-continue
        for (int b = 0; b < 256; ++b)
            body.append(static_cast<char>(b));
    Inet inet;
    StateLog log(inet);
    ASSERT_TRUE(
        inet.Execute(server.baseUrl() + QStringLiteral("/webfunction/submitrobot.asp"), "post", body,
                     QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\nX-Robot: one\r\n")));
    ASSERT_TRUE(runUntilEnded(log));
    EXPECT_EQ(log.states, kCompleteGet);
    EXPECT_EQ(inet.GetChunk(256), QByteArray("thanks"));
    ASSERT_EQ(server.postBodies().size(), 1);
    EXPECT_EQ(server.postBodies().at(0), body);
    const QByteArray headers = server.postHeaders().at(0);
    EXPECT_TRUE(headers.contains("Content-Type: application/x-www-form-urlencoded\n")) << headers.constData();
    EXPECT_TRUE(headers.contains("X-Robot: one\n"));
    EXPECT_TRUE(headers.contains("Content-Length: 2048\n"));
    EXPECT_FALSE(headers.contains("Expect:"));
}

TEST(Inet, ErrorStatusesCompleteButFailuresEndInStateEleven)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.putFile(QStringLiteral("cut.bin"), randomBytes(10000, 1));
    server.cutShort(QStringLiteral("/files/cut.bin"), 4000);
    server.delay(QStringLiteral("/files/late.bin"), 6);
    struct Case {
        QString url;
        int timeout;
        bool completes;
        long status;
        int code; // libcurl's error number
    } cases[] = {
        {server.baseUrl() + "/files/missing.bin", 60, true, 404, 0},
        {server.baseUrl() + "/files/cut.bin", 60, false, 200, 18},
        {server.baseUrl() + "/files/late.bin", 1, false, 0, 28},
        {QStringLiteral("http://127.0.0.1:1/files/x"), 60, false, 0, 7},
        {QStringLiteral("ftp://127.0.0.1/files/x"), 60, false, 0, 1},
    };
    for (const Case& c : cases) {
        Inet inet;
        inet.SetRequestTimeout(c.timeout);
        StateLog log(inet);
        ASSERT_TRUE(inet.Execute(c.url, "GET"));
        ASSERT_TRUE(runUntilEnded(log)) << c.url.toStdString();
        EXPECT_EQ(log.states.back(), c.completes ? 12 : 11) << c.url.toStdString();
        EXPECT_EQ(log.states.front(), 1);
        EXPECT_EQ(inet.Succeeded(), c.completes);
        EXPECT_EQ(inet.HttpStatus(), c.status) << c.url.toStdString();
        EXPECT_EQ(inet.ResponseInfo().isEmpty(), c.completes) << inet.ResponseInfo().toStdString();
        EXPECT_EQ(CheckTransfer(inet).ok, false);
        EXPECT_EQ(CheckTransfer(inet).errorNumber, c.completes ? int(c.status) : inet.ResponseCode());
        EXPECT_EQ(inet.ResponseCode(), c.code) << inet.ResponseInfo().toStdString();
    }
}

TEST(Inet, CancelEndsTheRequestAndNoStateFollows)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.putFile(QStringLiteral("slow.bin"), randomBytes(200000, 2));
    server.slow(QStringLiteral("/files/slow.bin"), 20000);
    Inet inet;
    StateLog log(inet);
    ASSERT_TRUE(inet.Execute(server.baseUrl() + QStringLiteral("/files/slow.bin"), "GET"));
    EXPECT_FALSE(inet.Execute(server.baseUrl() + QStringLiteral("/files/slow.bin"), "GET"))
        << "a second request while one runs is refused";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.states.empty() && log.states.back() == 8; }, 10000));
    EXPECT_TRUE(inet.StillExecuting());
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
    const size_t seen = log.states.size();
    QTest::qWait(300);
    EXPECT_EQ(log.states.size(), seen);
    EXPECT_FALSE(inet.Succeeded());
    EXPECT_LT(inet.BytesReceived(), 200000);

    // The control is ready for the next request.
    server.putFile(QStringLiteral("small.bin"), "small");
    inet.SetURL(server.baseUrl() + QStringLiteral("/files/small.bin"));
    EXPECT_EQ(inet.OpenURL(), QByteArray("small"));
}

TEST(Inet, OpenUrlReturnsTheBodyAsReceivedOrNothing)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), "1,2,0,1,0,5,1,00,0016\r\n");
    server.setWebFunction(QStringLiteral("empty.asp"), "");
    Inet inet;
    StateLog log(inet);
    inet.SetURL(server.baseUrl() + QStringLiteral("/webfunction/spiderfenceversion.asp"));
    EXPECT_EQ(inet.OpenURL(), QByteArray("1,2,0,1,0,5,1,00,0016\r\n"));
    EXPECT_EQ(log.states, kCompleteGet) << "states arrive while OpenURL waits";
    inet.SetURL(server.baseUrl() + QStringLiteral("/webfunction/empty.asp"));
    EXPECT_EQ(inet.OpenURL(), QByteArray());
    inet.SetURL(QStringLiteral("http://127.0.0.1:1/webfunction/x.asp"));
    EXPECT_EQ(inet.OpenURL(), QByteArray());
    EXPECT_EQ(log.states.back(), 11);
}

TEST(Inet, HttpsVerifiesTheServerCertificate)
{
    HttpServer server(HttpServer::Scheme::Https);
    ASSERT_TRUE(server.isRunning());
    server.putFile(QStringLiteral("a.bin"), "secure body");
    Inet inet;
    inet.SetURL(server.baseUrl() + QStringLiteral("/files/a.bin"));
    EXPECT_EQ(inet.OpenURL(), QByteArray()) << "an unknown certificate is refused";
    EXPECT_FALSE(inet.ResponseInfo().isEmpty());
    inet.SetCaCertificates(server.certificateFile());
    EXPECT_EQ(inet.OpenURL(), QByteArray("secure body"));
    EXPECT_EQ(inet.HttpStatus(), 200);
}

TEST(InetStatus, StateTexts)
{
    const QString prev = QStringLiteral("Resolving host");
    const std::pair<int, QString> cases[] = {
        {1, "Resolving host"},
        {2, prev},
        {3, "Connecting"},
        {4, "Connected"},
        {5, "Requesting"},
        {6, "Request Sent"},
        {7, "Receiving response"},
        {8, "Response received"},
        {9, "Disconnecting"},
        {10, "Disconnected"},
        {11, "Error: boom"},
        {12, "Response completed"},
        {0, prev},
        {13, prev},
        {-1, prev},
    };
    for (const auto& [state, text] : cases)
        EXPECT_EQ(InetStateText(state, prev, QStringLiteral("boom")), text) << state;
    EXPECT_EQ(InetStateText(11, prev, QString()), QStringLiteral("Error: "));
}

TEST(Wait, PausesForHalfSecondsRoundingHalvesToEvenAndLetsEventsRun)
{
    const std::pair<float, int> cases[] = {{0.f, 0},     {1.f, 500},    {2.f, 1000}, {4.f, 2000},
                                           {0.125f, 62}, {0.375f, 188}, {-1.f, 0},   {0.0009f, 0}};
    for (const auto& [seconds, ms] : cases)
        EXPECT_EQ(WaitMilliseconds(seconds), ms) << seconds;
    // The real pause lets events run: a timer due before its end fires inside it.
    bool ticked = false;
    QTimer::singleShot(20, [&] { ticked = true; });
    Wait(0.125f);
    EXPECT_TRUE(ticked);

    // An installed pause function is asked for the pause instead.
    QList<int> pauses;
    SetPauseFunction([&](int ms) { pauses << ms; });
    Wait(2);
    Wait(0);
    SetPauseFunction(nullptr);
    EXPECT_EQ(pauses, QList<int>{1000});
}

TEST(ServiceUrls, EnvironmentReplacesTheBuiltInHosts)
{
    qputenv("SPIDERFENCE_DOWNLOAD_URL", "http://127.0.0.1:8123/");
    qputenv("SPIDERFENCE_WEB_SERVICE_URL", "https://[::1]:99");
    qputenv("SPIDERFENCE_SITE_URL", "");
    EXPECT_EQ(DownloadFileUrl(QStringLiteral("spiderfence.exe")),
              QStringLiteral("http://127.0.0.1:8123/files/spiderfence.exe"));
    EXPECT_EQ(WebFunctionUrl(QStringLiteral("spiderfenceversion.asp")),
              QStringLiteral("https://[::1]:99/webfunction/spiderfenceversion.asp"));
    EXPECT_FALSE(SiteUrl().isEmpty()) << "an empty variable keeps the built-in host";
    EXPECT_FALSE(SiteUrl().endsWith(QLatin1Char('/')));
    qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
    qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
    qunsetenv("SPIDERFENCE_SITE_URL");
    EXPECT_NE(DownloadUrl(), QStringLiteral("http://127.0.0.1:8123"));
}
