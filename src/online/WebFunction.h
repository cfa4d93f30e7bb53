#pragma once

#include <QString>

namespace sf {

class Inet;

// Fetches a web function of the web service (base address + "/webfunction/" + function) through
// the window's transfer control and returns the body as received, whatever its status, as text in
// the program's single-byte code page. A request that fails gives "" (the control's state events
// tell what went wrong). The answer may be kWebFunctionLimit at most; a larger one gives "".
inline constexpr qint64 kWebFunctionLimit = 64 * 1024;
QString RunWebFunction(Inet& inet, const QString& function);

} // namespace sf
