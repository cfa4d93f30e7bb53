#pragma once

#include <functional>

namespace sf {

// Pauses for seconds x 500 milliseconds (rounded to the nearest millisecond, a half to the even one)
// while the thread's events keep running, so the window repaints and transfers go on.
void Wait(float seconds);

// The length of that pause in milliseconds; never negative.
int WaitMilliseconds(float seconds);

// What Wait pauses with, for pauses longer than 0 ms. By default the thread's event loop runs for
// that long; a test installs its own so that it need not wait in real time, and an empty function
// puts the default back.
using PauseFunction = std::function<void(int milliseconds)>;
void SetPauseFunction(PauseFunction pause);

} // namespace sf
