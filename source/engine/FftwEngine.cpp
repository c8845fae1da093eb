#include "FftwEngine.h"

#include <juce_dsp/juce_dsp.h>

#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <mutex>

static_assert (JUCE_MAJOR_VERSION == 7, "the engine registry below is the framework's 7.x one");

namespace juce::dsp
{
// The framework defines its engine interface and registry inside its own FFT source only;
// they are repeated here token for token (one definition per program, as the language allows
// for classes) so that an engine can be added.
struct FFT::Instance
{
    virtual ~Instance() = default;
    virtual void perform (const Complex<float>* input, Complex<float>* output, bool inverse) const noexcept = 0;
    virtual void performRealOnlyForwardTransform (float*, bool) const noexcept = 0;
    virtual void performRealOnlyInverseTransform (float*) const noexcept = 0;
};

struct FFT::Engine
{
    Engine (int priorityToUse) : enginePriority (priorityToUse)
    {
        auto& list = getEngines();
        list.add (this);
        std::sort (list.begin(), list.end(), [] (Engine* a, Engine* b) { return b->enginePriority < a->enginePriority; });
    }

    virtual ~Engine() = default;

    virtual FFT::Instance* create (int order) const = 0;

    //==============================================================================
    static FFT::Instance* createBestEngineForPlatform (int order)
    {
        for (auto* engine : getEngines())
            if (auto* instance = engine->create (order))
                return instance;

        jassertfalse;  // This should never happen as the fallback engine should always work!
        return nullptr;
    }

private:
    static Array<Engine*>& getEngines()
    {
        static Array<Engine*> engines;
        return engines;
    }

    int enginePriority; // used so that faster engines have priority over slower ones
};

template <typename InstanceToUse>
struct FFT::EngineImpl  : public FFT::Engine
{
    EngineImpl() : FFT::Engine (InstanceToUse::priority)        {}
    FFT::Instance* create (int order) const override            { return InstanceToUse::create (order); }
};
} // namespace juce::dsp

namespace
{
using juce::dsp::Complex;

// FFTW's planner is not reentrant; every plan of this module is made and destroyed under this.
std::mutex& plannerLock()
{
    static std::mutex lock;
    return lock;
}

struct AlignedFftw : juce::dsp::FFT::Instance
{
    static constexpr int priority = 11; // above the framework's FFTW engine (10)

    static AlignedFftw* create (int order)
    {
        if (order < 0 || order > 24)
            return nullptr;

        auto engine = std::make_unique<AlignedFftw> (1 << order);
        return engine->complete() ? engine.release() : nullptr;
    }

    explicit AlignedFftw (int size)
        : n (size),
          complexIn (fftwf_alloc_complex ((size_t) size)),
          complexOut (fftwf_alloc_complex ((size_t) size)),
          real (fftwf_alloc_real ((size_t) size))
    {
        if (complexIn == nullptr || complexOut == nullptr || real == nullptr)
            return;

        const std::lock_guard<std::mutex> lock (plannerLock());
        forward = fftwf_plan_dft_1d (n, complexIn, complexOut, FFTW_FORWARD, FFTW_ESTIMATE);
        inverse = fftwf_plan_dft_1d (n, complexIn, complexOut, FFTW_BACKWARD, FFTW_ESTIMATE);
        realForward = fftwf_plan_dft_r2c_1d (n, real, complexOut, FFTW_ESTIMATE);
        realInverse = fftwf_plan_dft_c2r_1d (n, complexIn, real, FFTW_ESTIMATE);
    }

    ~AlignedFftw() override
    {
        {
            const std::lock_guard<std::mutex> lock (plannerLock());
            for (auto* plan : { forward, inverse, realForward, realInverse })
                if (plan != nullptr)
                    fftwf_destroy_plan (plan);
        }
        fftwf_free (complexIn);
        fftwf_free (complexOut);
        fftwf_free (real);
    }

    bool complete() const noexcept
    {
        return forward != nullptr && inverse != nullptr && realForward != nullptr && realInverse != nullptr;
    }

    void perform (const Complex<float>* input, Complex<float>* output, bool inverseTransform) const noexcept override
    {
        auto* in = reinterpret_cast<fftwf_complex*> (const_cast<Complex<float>*> (input));
        auto* out = reinterpret_cast<fftwf_complex*> (output);

        // Arrays aligned like the work arrays (and apart) are transformed where they are; an
        // out-of-place complex plan leaves its input as it was.
        if (in != out && fftwf_alignment_of (reinterpret_cast<float*> (in)) == 0
            && fftwf_alignment_of (reinterpret_cast<float*> (out)) == 0)
        {
            fftwf_execute_dft (inverseTransform ? inverse : forward, in, out);
        }
        else
        {
            std::memcpy (complexIn, input, sizeof (fftwf_complex) * (size_t) n);
            fftwf_execute (inverseTransform ? inverse : forward);
            std::memcpy (static_cast<void*> (output), complexOut, sizeof (fftwf_complex) * (size_t) n);
        }

        if (inverseTransform)
            juce::FloatVectorOperations::multiply (reinterpret_cast<float*> (output), 1.0f / (float) n, 2 * n);
    }

    void performRealOnlyForwardTransform (float* data, bool ignoreNegativeFrequencies) const noexcept override
    {
        std::memcpy (real, data, sizeof (float) * (size_t) n);
        fftwf_execute (realForward);

        auto* out = reinterpret_cast<Complex<float>*> (data);
        std::memcpy (static_cast<void*> (out), complexOut, sizeof (fftwf_complex) * (size_t) (n / 2 + 1));

        if (! ignoreNegativeFrequencies)
            for (int i = n / 2 + 1; i < n; ++i)
                out[i] = std::conj (out[n - i]);
    }

    void performRealOnlyInverseTransform (float* data) const noexcept override
    {
        // Bins above n / 2 mirror those below and are not read.
        std::memcpy (complexIn, data, sizeof (fftwf_complex) * (size_t) (n / 2 + 1));
        fftwf_execute (realInverse);
        juce::FloatVectorOperations::multiply (data, real, 1.0f / (float) n, n);
    }

    const int n;
    fftwf_complex* const complexIn;
    fftwf_complex* const complexOut;
    float* const real;
    fftwf_plan forward = nullptr, inverse = nullptr, realForward = nullptr, realInverse = nullptr;
};

const juce::dsp::FFT::EngineImpl<AlignedFftw> alignedFftwEngine;
} // namespace

bool fftwEngineRegistered() noexcept
{
    return true;
}
