#pragma once

#include <QString>

namespace sf {

// The status text a window shows for a state of its transfer control: the text of the state, or
// `previous` for state 2 and for numbers that have no text. State 11 shows "Error: " followed by
// the control's error text.
QString InetStateText(int state, const QString& previous, const QString& errorText);

} // namespace sf
