#pragma once

#include <xmmintrin.h>

// Flushes denormals to zero (FTZ and DAZ) for the scope's lifetime. Most hosts already run
// their audio threads that way, so the control register is written only when a bit is
// missing: writing it costs more than a short block's filtering.
class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() noexcept : saved (_mm_getcsr())
    {
        if ((saved & flushBits) != flushBits)
            _mm_setcsr (saved | flushBits);
    }

    ~ScopedFlushDenormals()
    {
        if ((saved & flushBits) != flushBits)
            _mm_setcsr (saved);
    }

    ScopedFlushDenormals (const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator= (const ScopedFlushDenormals&) = delete;

private:
    static constexpr unsigned int flushBits = 0x8040; // flush to zero, denormals are zero
    unsigned int saved;
};
