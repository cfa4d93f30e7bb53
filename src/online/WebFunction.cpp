#include "online/WebFunction.h"

#include "app/util/CodePage.h"
#include "online/transfer/Inet.h"
#include "online/transfer/ServiceUrls.h"

namespace sf {

QString RunWebFunction(Inet& inet, const QString& function)
{
    inet.SetURL(WebFunctionUrl(function));
    return fromAnsi(inet.OpenURL());
}

} // namespace sf
