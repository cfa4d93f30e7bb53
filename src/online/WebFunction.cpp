#include "online/WebFunction.h"

#include "base/CodePage.h"
#include "transfer/Inet.h"
#include "transfer/ServiceUrls.h"

namespace sf {

QString RunWebFunction(Inet& inet, const QString& function)
{
    inet.SetURL(WebFunctionUrl(function));
    inet.SetBodyLimit(kWebFunctionLimit);
    return fromAnsi(inet.OpenURL());
}

} // namespace sf
