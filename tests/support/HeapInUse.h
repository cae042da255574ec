#pragma once
// Bytes of heap in use now, for tests that a long run holds no more memory at its end: from the
// address checker's allocator when it runs (freed blocks it holds back do not count), else from
// malloc's books.

#include <malloc.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// From the checker's run-time library (GCC installs no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

inline std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}
