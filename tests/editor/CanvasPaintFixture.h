#pragma once

#include "EditorTestFixture.h"
#include "editor/CurveCanvas.h"
#include "support/RecordingGraphics.h"

#include <vector>

// A processor and a bare curve canvas of the editor's size, kept in step with the band
// parameters the way the display refresh does it, and painted into a recording context.
class CanvasPaintTest : public EditorTest
{
protected:
    static constexpr int canvasWidth = 784;
    static constexpr int canvasHeight = 448;

    void SetUp() override
    {
        EditorTest::SetUp();
        canvas = std::make_unique<CurveCanvas> (*processor);
        canvas->setSize (canvasWidth, canvasHeight);
        setRate (48000.0);
    }

    void TearDown() override
    {
        canvas.reset();
        EditorTest::TearDown();
    }

    void setRate (double rate)
    {
        canvas->sampleRate = rate;
        canvas->staticModel.sampleRate = rate;
        canvas->dynamicModel.sampleRate = rate;
    }

    void setBand (int band, const juce::String& suffix, float value) { setParameter (bandParamId (band, suffix), value); }

    // Both models from the parameters; dynamic Bell and shelf bands take `liveGainDb` in the
    // live model, as if the processor had published it.
    void syncCanvas (float liveGainDb = 0.0f)
    {
        canvas->gainScale = juce::jlimit (0.0, 2.0, (double) raw ("gainscale") * 0.01);
        const auto snapshot = processor->snapshotBands();
        auto live = snapshot;
        canvas->hasDynamicBands = false;
        for (auto& band : live)
        {
            if (band.on && band.dynamic && band.type <= FilterType::highShelf)
            {
                band.gain = liveGainDb;
                canvas->hasDynamicBands = true;
            }
        }
        canvas->dynamicModel.setBands (canvas->scaledBands (live));
        canvas->setBands (snapshot);
    }

    std::unique_ptr<RecordingGraphics> paintCanvas (int scale = 1)
    {
        auto recording = std::make_unique<RecordingGraphics> (canvasWidth * scale, canvasHeight * scale);
        recording->g().addTransform (juce::AffineTransform::scale ((float) scale));
        canvas->paint (recording->g());
        return recording;
    }

    // The points of an open polyline path, in order.
    static std::vector<juce::Point<float>> pointsOf (const juce::Path& path)
    {
        std::vector<juce::Point<float>> points;
        for (juce::Path::Iterator it (path); it.next();)
            if (it.elementType == juce::Path::Iterator::startNewSubPath || it.elementType == juce::Path::Iterator::lineTo)
                points.emplace_back (it.x1, it.y1);
        return points;
    }

    std::unique_ptr<CurveCanvas> canvas;
};
