#pragma once

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace mirelo {

// Asks the processor to bring the cache line at address in while other work goes on: a pass
// that reaches records or texts scattered over many megabytes then waits for several at a
// time instead of for each in turn. Only a hint; nothing happens where there is none.
inline void Prefetch([[maybe_unused]] const void* address) {
#if defined(__SSE__)
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#endif
}

}  // namespace mirelo
