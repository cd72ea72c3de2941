#include "counting_heap.h"

#include <cstddef>
#include <new>

// glibc's own allocator under its internal names: the definitions below
// forward to it, so the rest of the process keeps working as usual.
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void *__libc_memalign(size_t, size_t);
extern "C" void __libc_free(void *);

namespace {
// Plain globals: the engine runs on the test's thread only, and a
// thread-local would itself allocate on first use in some runtimes.
bool armed = false;
long calls = 0;

void Count() {
    if (armed) ++calls;
}

void *New(size_t n) {
    Count();
    void *p = __libc_malloc(n != 0 ? n : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void *NewAligned(size_t n, std::align_val_t alignment) {
    Count();
    void *p = __libc_memalign(static_cast<size_t>(alignment), n != 0 ? n : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void Delete(void *p) {
    Count();
    __libc_free(p);
}
}  // namespace

namespace counting_heap {
void Begin() {
    calls = 0;
    armed = true;
}
long End() {
    armed = false;
    return calls;
}
}  // namespace counting_heap

extern "C" {
void *malloc(size_t n) {
    Count();
    return __libc_malloc(n);
}
void *calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void *realloc(void *p, size_t n) {
    Count();
    return __libc_realloc(p, n);
}
void free(void *p) {
    if (p != nullptr) Count();
    __libc_free(p);
}
}  // extern "C"

void *operator new(size_t n) { return New(n); }
void *operator new[](size_t n) { return New(n); }
void *operator new(size_t n, const std::nothrow_t &) noexcept {
    Count();
    return __libc_malloc(n != 0 ? n : 1);
}
void *operator new[](size_t n, const std::nothrow_t &) noexcept {
    Count();
    return __libc_malloc(n != 0 ? n : 1);
}
void *operator new(size_t n, std::align_val_t a) { return NewAligned(n, a); }
void *operator new[](size_t n, std::align_val_t a) { return NewAligned(n, a); }
void operator delete(void *p) noexcept { Delete(p); }
void operator delete[](void *p) noexcept { Delete(p); }
void operator delete(void *p, size_t) noexcept { Delete(p); }
void operator delete[](void *p, size_t) noexcept { Delete(p); }
void operator delete(void *p, std::align_val_t) noexcept { Delete(p); }
void operator delete[](void *p, std::align_val_t) noexcept { Delete(p); }
void operator delete(void *p, size_t, std::align_val_t) noexcept { Delete(p); }
void operator delete[](void *p, size_t, std::align_val_t) noexcept { Delete(p); }
