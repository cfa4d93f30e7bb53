#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace sf {
class frmMain;
}

namespace sf::bench {

// The application of a window benchmark: on the offscreen platform, with its settings in a
// temporary folder, and Google Benchmark initialised from the command line.
class BenchApplication {
public:
    BenchApplication(int& argc, char** argv);
    ~BenchApplication();
    BenchApplication(const BenchApplication&) = delete;
    BenchApplication& operator=(const BenchApplication&) = delete;

    // Runs the benchmarks registered so far; the program's exit code.
    int run();

private:
    QTemporaryDir m_config;
    std::unique_ptr<QApplication> m_app;
};

// Opens the main window as the program does at start-up, and shows it when asked.
void openMainWindow(frmMain& window, bool shown);
// Connects the window to an FTP server in passive mode through its connection fields, as a user
// would; whether it connected.
bool connectMainWindow(frmMain& window, const QString& host, const QString& user, const QString& password,
                       int port);

} // namespace sf::bench
