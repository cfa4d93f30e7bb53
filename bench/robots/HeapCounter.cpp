#include "HeapCounter.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::int64_t> g_live{0};
std::atomic<std::int64_t> g_peak{0};

void noteAllocated(void* block)
{
    if (!block)
        return;
    const auto now = g_live.fetch_add(static_cast<std::int64_t>(malloc_usable_size(block))) +
                     static_cast<std::int64_t>(malloc_usable_size(block));
    auto peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now))
        ;
}

void noteFreed(void* block)
{
    if (block)
        g_live.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(block)));
}

void* aligned(std::size_t alignment, std::size_t size)
{
    void* block = __libc_memalign(alignment, size);
    noteAllocated(block);
    return block;
}

std::int64_t statusValue(const char* key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(std::strlen(key))) * 1024; // the file says kB
    }
    return -1;
}

} // namespace

extern "C" {

void* malloc(std::size_t size) noexcept
{
    void* block = __libc_malloc(size);
    noteAllocated(block);
    return block;
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    void* block = __libc_calloc(count, size);
    noteAllocated(block);
    return block;
}

void* realloc(void* block, std::size_t size) noexcept
{
    const std::size_t before = block ? malloc_usable_size(block) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved || size == 0) { // on failure the old block stays
        g_live.fetch_sub(static_cast<std::int64_t>(before));
        noteAllocated(moved);
    }
    return moved;
}

void free(void* block) noexcept
{
    noteFreed(block);
    __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    return aligned(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    return aligned(alignment, size);
}
void* valloc(std::size_t size) noexcept
{
    return aligned(4096, size);
}
void* pvalloc(std::size_t size) noexcept
{
    return aligned(4096, (size + 4095) & ~std::size_t(4095));
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    void* block = aligned(alignment, size);
    if (!block)
        return 12; // ENOMEM
    *out = block;
    return 0;
}
}

namespace heap {

std::int64_t live()
{
    return g_live.load();
}
std::int64_t peak()
{
    return g_peak.load();
}
void resetPeak()
{
    g_peak.store(g_live.load());
}

} // namespace heap

namespace rss {

std::int64_t current()
{
    return statusValue("VmRSS:");
}
std::int64_t peak()
{
    return statusValue("VmHWM:");
}

bool resetPeak()
{
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (!file)
        return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
}

} // namespace rss
