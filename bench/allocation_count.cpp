// Counts the allocations made through operator new, to show that a scan makes none.
#include <cstddef>
#include <cstdlib>
#include <new>

std::size_t allocations = 0;

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
