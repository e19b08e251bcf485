// The tool's allocations: large blocks (a draw's samples, a polyline's vertices) are
// offered to the system as transparent huge pages. A draw of a million samples touches
// tens of megabytes once; faulting them in 4 KiB at a time cost more than a third of its
// processor time. Where the system takes no such hint the memory is as before, and the
// peak is the same (huge pages only back the aligned inside of a block).
//
// Not under the sanitizers, whose own operator new must pair with their operator delete.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define PLOTWRIGHT_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PLOTWRIGHT_SANITIZED 1
#endif

#if !defined(PLOTWRIGHT_SANITIZED) && defined(MADV_HUGEPAGE)

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

void* allocate(std::size_t size)
{
    for (;;) {
        // The library's operator delete frees with free().
        if (void* block = std::malloc(size == 0 ? 1 : size)) {
            if (size >= 2 * kHugePage) {
                const auto at = reinterpret_cast<std::uintptr_t>(block);
                const std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
                const std::uintptr_t end = (at + size) & ~(kHugePage - 1);
                if (end > begin)
                    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
            }
            return block;
        }
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }

#endif
