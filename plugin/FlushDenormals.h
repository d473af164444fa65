#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define ZARVEX_HAS_MXCSR 1
#endif

// Flushes denormal results and operands to zero while in scope, so decaying
// filter and envelope states never fall into the slow denormal range. The
// host's own setting is restored on exit.
class FlushDenormals {
public:
    FlushDenormals()
    {
#ifdef ZARVEX_HAS_MXCSR
        saved = _mm_getcsr();
        _mm_setcsr(saved | flushToZero | denormalsAreZero);
#endif
    }
    ~FlushDenormals()
    {
#ifdef ZARVEX_HAS_MXCSR
        _mm_setcsr(saved);
#endif
    }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
#ifdef ZARVEX_HAS_MXCSR
    static constexpr unsigned flushToZero = 0x8000;
    static constexpr unsigned denormalsAreZero = 0x0040;
    unsigned saved;
#endif
};
