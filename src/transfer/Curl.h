#pragma once

#include <curl/curl.h>

#include <memory>

// The one way this program holds libcurl: one global initialisation, and handles that clean up
// after themselves. The FTP session and the web transfer control are both built on it.
namespace sf::curl {

// libcurl's global initialisation, done once for the whole program before its first handle.
bool globalInit();

// An owned libcurl handle: cleaned up when it goes or is reset, and handed to libcurl's functions
// as the plain handle they take. Easy, Multi and StringList are distinct types, so one cannot be
// passed where another is meant.
template <class T, class Cleanup> class Handle {
public:
    Handle() = default;
    explicit Handle(T* handle) : m_handle(handle) {}

    operator T*() const { return m_handle.get(); }
    T* get() const { return m_handle.get(); }
    void reset(T* handle = nullptr) { m_handle.reset(handle); }
    T* release() { return m_handle.release(); }

private:
    std::unique_ptr<T, Cleanup> m_handle;
};

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using Easy = Handle<CURL, EasyCleanup>;
using Multi = Handle<CURLM, MultiCleanup>;
using StringList = Handle<curl_slist, ListCleanup>;

// New handles, after the global initialisation; empty when libcurl could not make one.
Easy makeEasy();
Multi makeMulti();
// Appends a copy of the line; the list stays as it was when libcurl cannot.
void append(StringList& list, const char* line);

} // namespace sf::curl
