// Allocate_Big, Free_Big and Big_Bytes_Mapped (world_pool.h).
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "world_pool.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace bsp_levels {

namespace {

std::atomic<std::size_t> mapped_bytes{0};

}  // namespace

std::size_t Big_Bytes_Mapped() noexcept { return mapped_bytes.load(std::memory_order_relaxed); }

namespace {

// A block from malloc, as operator new would answer for it.
void* Heap_Block(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

#if defined(__linux__) && !defined(__EMSCRIPTEN__) && defined(MADV_HUGEPAGE)

namespace {

const std::size_t HUGE_PAGE = std::size_t(2) << 20;

// The block's pages: the last huge page of a block may be part of one, and
// the rest of it is left to whatever the system maps there next.
std::size_t Mapped_Length(std::size_t size) {
    static const std::size_t page = [] {
        const long p = sysconf(_SC_PAGESIZE);
        return p > 0 ? std::size_t(p) : std::size_t(4096);
    }();
    return (size + page - 1) / page * page;
}

}  // namespace

void* Allocate_Big(std::size_t size) {
    if (size < BIG_BLOCK) return Heap_Block(size);
    if (size > std::size_t(-1) / 2) throw std::bad_alloc();
    const std::size_t length = Mapped_Length(size);
    // Map a huge page more than needed, then give back what lies before the
    // first 2 MiB boundary and after the block.
    void* mapped = mmap(nullptr, length + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    char* const start = static_cast<char*>(mapped);
    char* const end = start + length + HUGE_PAGE;
    char* const block = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(start) + HUGE_PAGE - 1) &
                                                ~std::uintptr_t(HUGE_PAGE - 1));
    if (block > start) munmap(start, std::size_t(block - start));
    if (end > block + length) munmap(block + length, std::size_t(end - (block + length)));
    // A request, not a condition: where huge pages are off, the block is
    // mapped page by page as any other.
    madvise(block, length, MADV_HUGEPAGE);
    mapped_bytes += length;
    return block;
}

void Free_Big(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size < BIG_BLOCK) {
        std::free(block);
        return;
    }
    const std::size_t length = Mapped_Length(size);
    munmap(block, length);
    mapped_bytes -= length;
}

#else

void* Allocate_Big(std::size_t size) { return Heap_Block(size); }

void Free_Big(void* block, std::size_t) noexcept { std::free(block); }

#endif

}  // namespace bsp_levels
