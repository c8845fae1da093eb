#include "engine/MeterValues.h"
#include "engine/ScopedFlushDenormals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// The gate may only skip the logarithm: every (held value, peak) pair must leave the meter
// where raisePeak (meter, gainToMeterDb (peak)) leaves it, right at the meter's own level too.
TEST (PeakGate, RaisesExactlyWhereTheLogarithmWould)
{
    const float held[] = { -100.0f, -60.0f, -6.0f, -0.001f, 0.0f, 3.5f, 24.0f };
    for (const float db : held)
    {
        const float level = std::pow (10.0f, db / 20.0f);
        const float peaks[] = { 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 1.0e-7f,
                                level * 0.5f, level * 0.9999f, std::nextafter (level, 0.0f), level,
                                std::nextafter (level, 2.0f * level), level * 1.0001f, level * 2.0f };
        for (const float peak : peaks)
        {
            std::atomic<float> gated { db }, plain { db };
            PeakGate gate;
            gate.raise (gated, peak);
            raisePeak (plain, gainToMeterDb (peak));
            EXPECT_EQ (gated.load(), plain.load()) << "held " << db << " dB, peak " << peak;
        }
    }
}

TEST (PeakGate, FollowsAMeterTheReaderReset)
{
    std::atomic<float> meter { -100.0f };
    PeakGate gate;
    gate.raise (meter, 0.5f);
    EXPECT_NEAR (meter.load(), -6.0206f, 1e-3f);
    gate.raise (meter, 0.25f); // lower: kept
    EXPECT_NEAR (meter.load(), -6.0206f, 1e-3f);

    meter.exchange (-100.0f); // the editor took the value
    gate.raise (meter, 0.25f);
    EXPECT_NEAR (meter.load(), -12.0412f, 1e-3f);
}

namespace
{
// A denormal product: zero when denormals are flushed.
float tinyProduct()
{
    volatile float a = 1.0e-30f, b = 1.0e-10f;
    return a * b;
}
} // namespace

TEST (ScopedFlushDenormals, FlushesInsideAndRestoresTheCallersMode)
{
    const unsigned int before = _mm_getcsr();
    _mm_setcsr (before & ~0x8040u); // a host that leaves denormals on
    ASSERT_NE (tinyProduct(), 0.0f);
    {
        const ScopedFlushDenormals flush;
        EXPECT_EQ (tinyProduct(), 0.0f);
    }
    EXPECT_NE (tinyProduct(), 0.0f);
    EXPECT_EQ (_mm_getcsr() & 0x8040u, 0u);

    _mm_setcsr (before | 0x8040u); // a host that flushes already keeps doing so
    {
        const ScopedFlushDenormals flush;
        EXPECT_EQ (tinyProduct(), 0.0f);
    }
    EXPECT_EQ (_mm_getcsr() & 0x8040u, 0x8040u);
    _mm_setcsr (before);
}
