// The access-log reader against goaccess, in one run on one generated file:
//   bench_logs [--lines N] [--dir DIR] [--no-goaccess]
// writes a combined-format log of N lines (default 5,000,000) with crawler and browser user agents
// into DIR (default a temporary folder), then times "sfcheck audit ROBOTS LOG" on it, the same on its
// gzip copy, and "goaccess LOG --log-format=COMBINED -o report.json", each as a child process whose
// wall time and peak resident memory (from wait4) are printed with the lines per second.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kAgents[] = {
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.6099.199 Mobile Safari/537.36 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Googlebot-Image/1.0",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; +https://openai.com/gptbot)",
    "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; +claudebot@anthropic.com)",
    "Mozilla/5.0 (Linux; Android 5.0) AppleWebKit/537.36 (KHTML, like Gecko) Mobile Safari/537.36 "
    "(compatible; "
    "Bytespider; spider-feedback@bytedance.com)",
    "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
    "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
    "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
    "CCBot/2.0 (https://commoncrawl.org/faq/)",
    "Mozilla/5.0 (compatible; PetalBot;+https://webmaster.petalsearch.com/site/petalbot)",
    "Mozilla/5.0 (compatible; WeirdCrawler/2.0; +http://weird.example/bot.html)",
    "python-requests/2.31.0",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 "
    "Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/119.0.0.0 "
    "Safari/537.36 Edg/119.0.2151.97",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.1 "
    "Safari/605.1.15",
    "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1_2 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.1 Mobile/15E148 Safari/604.1",
    "Mozilla/5.0 (Linux; Android 14; SM-S918B) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.6099.144 "
    "Mobile Safari/537.36",
};
// Browsers (the last six) send about 60 of every 100 requests.
const int kAgentWeights[] = {8, 4, 3, 4, 3, 3, 4, 2, 2, 2, 1, 1, 1, 2, 14, 8, 10, 8, 10, 10};

const char* const kPaths[] = {"/",
                              "/index.html",
                              "/blog/2026/10/a-post-about-robots",
                              "/private/report.pdf",
                              "/cgi-bin/search?q=robots",
                              "/wp-login.php",
                              "/images/logo.png",
                              "/css/site.css?v=12",
                              "/shop/item/4711?ref=home",
                              "/robots.txt",
                              "/admin/",
                              "/docs/manual/chapter-3.html",
                              "/feed.xml",
                              "/search?q=spider&page=2"};

constexpr const char kRobotsTxt[] =
    "User-agent: GPTBot\nDisallow: /\n\nUser-agent: Bytespider\nDisallow: /\n\n"
    "User-agent: Googlebot\nDisallow: /private\nAllow: /private/public\n\n"
    "User-agent: *\nDisallow: /cgi-bin/\nDisallow: /admin/\nDisallow: /*.pdf$\n"
    "Disallow: /search\n";

bool generate(const std::string& file, long long lines)
{
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    std::vector<char> buffer(4 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    std::mt19937 random(42);
    std::discrete_distribution<int> agent(std::begin(kAgentWeights), std::end(kAgentWeights));
    std::uniform_int_distribution<int> path(0, static_cast<int>(std::size(kPaths)) - 1), octet(1, 254),
        size(200, 90000);
    std::time_t t = 1790000000;
    char stamp[64];
    for (long long i = 0; i < lines; ++i) {
        if (i % 50 == 0) {
            ++t;
            std::strftime(stamp, sizeof stamp, "%d/%b/%Y:%H:%M:%S +0000", std::gmtime(&t));
        }
        std::fprintf(out, "%d.%d.%d.%d - - [%s] \"GET %s HTTP/1.1\" %d %d \"https://example.com/\" \"%s\"\n",
                     octet(random), octet(random), octet(random), octet(random), stamp, kPaths[path(random)],
                     i % 23 == 0 ? 404 : 200, size(random), kAgents[agent(random)]);
    }
    return std::fclose(out) == 0;
}

bool gzipCopy(const std::string& from, const std::string& to)
{
    FILE* in = std::fopen(from.c_str(), "rb");
    gzFile out = gzopen(to.c_str(), "wb6");
    std::vector<char> buffer(1 << 20);
    size_t got = 0;
    while (in && out && (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        gzwrite(out, buffer.data(), static_cast<unsigned>(got));
    if (in)
        std::fclose(in);
    return out && gzclose(out) == Z_OK;
}

struct Timing {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Runs the program with its output thrown away; the wall time and the child's peak memory.
Timing timeRun(const std::vector<std::string>& argv, const std::string& folder)
{
    std::fflush(stdout); // the child must not print what the parent has buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    Timing timing;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    timing.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.peakKiB = usage.ru_maxrss;
    timing.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return timing;
}

void report(const char* what, const Timing& timing, long long lines)
{
    std::printf("%-32s %8.2f s %12.0f lines/s  peak %7.1f MiB  exit %d\n", what, timing.seconds,
                static_cast<double>(lines) / timing.seconds, timing.peakKiB / 1024.0, timing.status);
}

} // namespace

int main(int argc, char* argv[])
{
    long long lines = 5000000;
    std::string dir;
    bool goaccess = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--lines" && i + 1 < argc)
            lines = std::atoll(argv[++i]);
        else if (arg == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (arg == "--no-goaccess")
            goaccess = false;
    }
    QTemporaryDir temporary;
    if (dir.empty())
        dir = temporary.path().toStdString();
    QDir().mkpath(QString::fromStdString(dir));
    const std::string log = dir + "/access.log", gz = dir + "/access.log.gz", robots = dir + "/robots.txt";
    QFile robotsFile(QString::fromStdString(robots));
    if (!robotsFile.open(QIODevice::WriteOnly) || robotsFile.write(kRobotsTxt) < 0 || !generate(log, lines) ||
        !gzipCopy(log, gz)) {
        std::fprintf(stderr, "bench_logs: cannot write the log in %s\n", dir.c_str());
        return 2;
    }
    robotsFile.close();
    std::printf("%lld lines, %.0f MiB plain, %.0f MiB gzip\n", lines,
                QFileInfo(QString::fromStdString(log)).size() / 1048576.0,
                QFileInfo(QString::fromStdString(gz)).size() / 1048576.0);
    const std::string sfcheck = SF_BUILD_BIN_DIR "/sfcheck";
    const Timing plain = timeRun({sfcheck, "audit", robots, log}, dir);
    report("sfcheck audit (plain)", plain, lines);
    report("sfcheck audit (gzip)", timeRun({sfcheck, "audit", robots, gz}, dir), lines);
    if (goaccess) {
        const Timing other = timeRun({"goaccess", log, "--log-format=COMBINED", "-o", "report.json"}, dir);
        report("goaccess --log-format=COMBINED", other, lines);
        std::printf("sfcheck audit reads %.1f times as many lines per second as goaccess\n",
                    other.seconds / plain.seconds);
    }
    return 0;
}
