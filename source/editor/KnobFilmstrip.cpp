#include "KnobFilmstrip.h"

std::shared_ptr<kov::FilmstripKnobRenderer> makeKnobFilmstripRenderer (const juce::Image& base, const juce::Image& mask)
{
    const int numFrames = base.isValid() && base.getWidth() > 0 ? base.getHeight() / base.getWidth() : 0;
    auto renderer = std::make_shared<kov::FilmstripKnobRenderer> (base, mask, numFrames);
    renderer->maxDiameter = 50.0f;

    const bool holdsEveryFrame = renderer->baseStrip.isValid() && renderer->maskStrip.isValid()
                                 && (juce::int64) renderer->baseStrip.getHeight()
                                        >= (juce::int64) renderer->frameSize * renderer->numFrames;
    return holdsEveryFrame ? renderer : nullptr;
}
