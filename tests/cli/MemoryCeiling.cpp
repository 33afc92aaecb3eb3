// Linked into kestrum-scan's own objects, makes kestrum-scan-memory-ceiling: the tool with a cap,
// KESTRUM_MEMORY_CEILING bytes, on what its main thread may hold through operator new at once.
// Beyond it operator new throws std::bad_alloc, as it does once an address-space limit is reached.
// The walk runs on its own thread and is left alone: under a real limit it took its memory first,
// and the report, built on the main thread afterwards, is what meets the shortage. An
// address-space limit (RLIMIT_AS) itself cannot serve in the tests: the sanitizer builds reserve
// terabytes of address space at start.
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// In front of every block, keeping the block aligned as malloc's own.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
    bool bCounted;  // allocated by the main thread, so part of what it holds
};

std::atomic<std::size_t> g_nHeld{0};

std::size_t Ceiling()
{
    static const std::size_t ceiling = [] {
        const char* text = std::getenv("KESTRUM_MEMORY_CEILING");
        return text ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) : SIZE_MAX;
    }();
    return ceiling;
}

void* Allocate(std::size_t size) noexcept
{
    const bool bCounted = ::gettid() == ::getpid();
    if (bCounted && g_nHeld.load() + size > Ceiling())
        return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header)
        return nullptr;
    header->size = size;
    header->bCounted = bCounted;
    if (bCounted)
        g_nHeld += size;
    return header + 1;
}

void Release(void* block) noexcept
{
    if (!block)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->bCounted)
        g_nHeld -= header->size;
    std::free(header);
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* block = Allocate(size))
        return block;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
