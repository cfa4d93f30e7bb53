// libcurl, loaded when the program first uses it rather than when it starts.
//
// libcurl brings some thirty libraries with it (two TLS libraries, Kerberos, LDAP, SSH, ...), and
// binding their symbols was a good part of the time to the first window, spent again on every
// start whether or not anything is transferred. So the program does not link libcurl: this file
// defines the libcurl functions the program calls, and each one passes its call on to libcurl's
// own, which the first call loads. Should libcurl be missing, the calls fail as libcurl reports a
// failed start (no handle, CURLE_FAILED_INIT), and the error text says why.
#define CURL_DISABLE_TYPECHECK // the type-checking macros would rename the definitions below
#include <curl/curl.h>

#include <cstdarg>
#include <dlfcn.h>

// One of the functions passed on, curl_multi_socket_all, is deprecated; the transfer driver still calls it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// libcurl's variadic functions name an enum last, as libcurl itself defines them in C; va_start
// needs no more than where the named arguments end.
#ifdef __clang__
#pragma clang diagnostic ignored "-Wvarargs"
#endif

namespace {

// libcurl's name to the dynamic loader: the same on every system that ships libcurl 7 or 8.
constexpr const char* kLibcurl = "libcurl.so.4";

struct Library {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&curl_multi_init) multiInit = nullptr;
    decltype(&curl_multi_setopt) multiSetopt = nullptr;
    decltype(&curl_multi_add_handle) multiAddHandle = nullptr;
    decltype(&curl_multi_remove_handle) multiRemoveHandle = nullptr;
    decltype(&curl_multi_socket_action) multiSocketAction = nullptr;
    decltype(&curl_multi_socket_all) multiSocketAll = nullptr;
    decltype(&curl_multi_info_read) multiInfoRead = nullptr;
    decltype(&curl_multi_cleanup) multiCleanup = nullptr;
    bool loaded = false;
};

template <class Function> bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name)); // NOLINT: how dlsym is used
    return function != nullptr;
}

// Loads libcurl and finds every function once, for all threads; all of them or none.
const Library& library()
{
    static const Library curl = [] {
        Library found;
        void* handle = dlopen(kLibcurl, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return found;
        found.loaded = resolve(handle, "curl_global_init", found.globalInit) &&
                       resolve(handle, "curl_easy_init", found.easyInit) &&
                       resolve(handle, "curl_easy_setopt", found.easySetopt) &&
                       resolve(handle, "curl_easy_getinfo", found.easyGetinfo) &&
                       resolve(handle, "curl_easy_cleanup", found.easyCleanup) &&
                       resolve(handle, "curl_easy_strerror", found.easyStrerror) &&
                       resolve(handle, "curl_slist_append", found.slistAppend) &&
                       resolve(handle, "curl_slist_free_all", found.slistFreeAll) &&
                       resolve(handle, "curl_multi_init", found.multiInit) &&
                       resolve(handle, "curl_multi_setopt", found.multiSetopt) &&
                       resolve(handle, "curl_multi_add_handle", found.multiAddHandle) &&
                       resolve(handle, "curl_multi_remove_handle", found.multiRemoveHandle) &&
                       resolve(handle, "curl_multi_socket_action", found.multiSocketAction) &&
                       resolve(handle, "curl_multi_socket_all", found.multiSocketAll) &&
                       resolve(handle, "curl_multi_info_read", found.multiInfoRead) &&
                       resolve(handle, "curl_multi_cleanup", found.multiCleanup);
        if (!found.loaded)
            found = Library{}; // a libcurl without one of them is not used at all
        return found;
    }();
    return curl;
}

const Library* loaded()
{
    const Library& curl = library();
    return curl.loaded ? &curl : nullptr;
}

// An option's value, read as the type its number says it has (libcurl's own numbering: longs,
// then pointers, then callbacks, then 64-bit offsets, then blobs), and handed on as that type.
template <class Set, class Handle, class Option>
auto passOn(Set set, Handle* handle, Option option, va_list args)
{
    if (option < CURLOPTTYPE_OBJECTPOINT)
        return set(handle, option, va_arg(args, long));
    if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        return set(handle, option, va_arg(args, curl_off_t));
    return set(handle, option, va_arg(args, void*)); // pointers, callbacks and blobs
}

} // namespace

// NOLINTBEGIN(cppcoreguidelines-pro-type-vararg,cppcoreguidelines-pro-bounds-array-to-pointer-decay)
// These are libcurl's own C functions, with libcurl's signatures.

CURLcode curl_global_init(long flags)
{
    const Library* curl = loaded();
    return curl ? curl->globalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init()
{
    const Library* curl = loaded();
    return curl ? curl->easyInit() : nullptr;
}

CURLcode curl_easy_setopt(CURL* easy, CURLoption option, ...)
{
    const Library* curl = loaded();
    if (!curl)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    const CURLcode result = passOn(curl->easySetopt, easy, option, args);
    va_end(args);
    return result;
}

CURLcode curl_easy_getinfo(CURL* easy, CURLINFO info, ...)
{
    const Library* curl = loaded();
    if (!curl)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* answer = va_arg(args, void*); // every piece of information is written through a pointer
    va_end(args);
    return curl->easyGetinfo(easy, info, answer);
}

void curl_easy_cleanup(CURL* easy)
{
    if (const Library* curl = loaded())
        curl->easyCleanup(easy);
}

const char* curl_easy_strerror(CURLcode code)
{
    const Library* curl = loaded();
    return curl ? curl->easyStrerror(code) : "libcurl (libcurl.so.4) could not be loaded";
}

curl_slist* curl_slist_append(curl_slist* list, const char* line)
{
    const Library* curl = loaded();
    return curl ? curl->slistAppend(list, line) : nullptr;
}

void curl_slist_free_all(curl_slist* list)
{
    if (const Library* curl = loaded())
        curl->slistFreeAll(list);
}

CURLM* curl_multi_init()
{
    const Library* curl = loaded();
    return curl ? curl->multiInit() : nullptr;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...)
{
    const Library* curl = loaded();
    if (!curl)
        return CURLM_INTERNAL_ERROR;
    va_list args;
    va_start(args, option);
    const CURLMcode result = passOn(curl->multiSetopt, multi, option, args);
    va_end(args);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy)
{
    const Library* curl = loaded();
    return curl ? curl->multiAddHandle(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy)
{
    const Library* curl = loaded();
    return curl ? curl->multiRemoveHandle(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_socket_action(CURLM* multi, curl_socket_t socket, int events, int* running)
{
    const Library* curl = loaded();
    return curl ? curl->multiSocketAction(multi, socket, events, running) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_socket_all(CURLM* multi, int* running)
{
    const Library* curl = loaded();
    return curl ? curl->multiSocketAll(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued)
{
    const Library* curl = loaded();
    return curl ? curl->multiInfoRead(multi, queued) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi)
{
    const Library* curl = loaded();
    return curl ? curl->multiCleanup(multi) : CURLM_INTERNAL_ERROR;
}

// NOLINTEND(cppcoreguidelines-pro-type-vararg,cppcoreguidelines-pro-bounds-array-to-pointer-decay)

#pragma GCC diagnostic pop
