#pragma once

namespace sf {

// The wait cursor while a long command runs: shown for the object's life, restored on every way
// out of the scope. The one way the program shows a wait cursor.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace sf
