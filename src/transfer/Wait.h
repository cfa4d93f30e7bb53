#pragma once

namespace sf {

// Pauses for seconds x 500 milliseconds (rounded to the nearest millisecond, a half to the even one)
// while the thread's events keep running, so the window repaints and transfers go on.
void Wait(float seconds);

// The length of that pause in milliseconds; never negative.
int WaitMilliseconds(float seconds);

} // namespace sf
