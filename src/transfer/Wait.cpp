#include "transfer/Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <thread>

namespace sf {
namespace {

PauseFunction& pauseFunction()
{
    static PauseFunction pause;
    return pause;
}

} // namespace

void SetPauseFunction(PauseFunction pause)
{
    pauseFunction() = std::move(pause);
}

int WaitMilliseconds(float seconds)
{
    const double ms = std::nearbyint(static_cast<double>(seconds) * 500.0); // default mode: half to even
    if (!(ms > 0))
        return 0;
    return ms > 3600.0 * 1000 ? 3600 * 1000 : static_cast<int>(ms);
}

void Wait(float seconds)
{
    const int ms = WaitMilliseconds(seconds);
    if (ms <= 0)
        return;
    if (pauseFunction()) {
        pauseFunction()(ms);
        return;
    }
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace sf
