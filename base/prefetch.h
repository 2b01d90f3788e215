#pragma once

#if defined(__SSE__) && !(defined(__GNUC__) && defined(__x86_64__))
#include <xmmintrin.h>
#endif

namespace mirelo {

// Asks the processor to bring the cache line at address in while other work goes on: a pass
// that reaches records or texts scattered over many megabytes then waits for several at a
// time instead of for each in turn. Only a hint; nothing happens where there is none.
inline void Prefetch([[maybe_unused]] const void* address) {
#if defined(__GNUC__) && defined(__x86_64__)
    // As volatile asm, which the compiler keeps: with the builtin, it judged a function that
    // only loads a slot and prefetches the text it points to free of effects, and dropped
    // its calls.
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#elif defined(__SSE__)
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#endif
}

}  // namespace mirelo
