#include "transfer/Curl.h"

namespace sf::curl {

bool globalInit()
{
    // A function-local static is initialised exactly once, even when threads race for it.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

Easy makeEasy()
{
    return Easy(globalInit() ? curl_easy_init() : nullptr);
}

Multi makeMulti()
{
    return Multi(globalInit() ? curl_multi_init() : nullptr);
}

void append(StringList& list, const char* line)
{
    // The head of a list never changes; an empty list gets its first element as its head.
    if (curl_slist* head = curl_slist_append(list.get(), line); head && !list)
        list.reset(head);
}

} // namespace sf::curl
