#include "EditorTestFixture.h"

#include "InteractionTestSupport.h"

#include <map>
#include <utility>

namespace
{
// Begun and ended change gestures, by parameter index, for every parameter that saw either.
std::map<int, std::pair<int, int>> gesturesByParameter (const interaction::ParameterRecorder& recorder)
{
    std::map<int, std::pair<int, int>> gestures;

    for (const auto& e : recorder.events)
    {
        if (e.what == 'b')
            ++gestures[e.parameterIndex].first;
        else if (e.what == 'e')
            ++gestures[e.parameterIndex].second;
    }

    return gestures;
}
} // namespace

// A knob drag whose attachment goes before the release still gives the host one whole gesture:
// the editor closes, or the band panel shows another band or none (a second pointer on the
// canvas can select while the first one drags a panel knob). The rest of the drag edits nothing.
TEST_F (EditorTest, KnobDragCutShortLeavesOneWholeGesture)
{
    const struct { kov::Knob SabrelEditor::*knob; const char* id; bool onPanel; } knobs[] {
        { &SabrelEditor::inputKnob, "input", false },
        { &SabrelEditor::outputKnob, "output", false },
        { &SabrelEditor::scaleKnob, "gainscale", false },
        { &SabrelEditor::freqKnob, "freq", true },
        { &SabrelEditor::gainKnob, "gain", true },
        { &SabrelEditor::qKnob, "q", true },
    };
    enum Cut { closeEditor, selectOtherBand, selectNoBand };
    const struct { Cut cut; const char* name; } cuts[] {
        { closeEditor, "editor closed" },
        { selectOtherBand, "other band shown" },
        { selectNoBand, "no band shown" },
    };

    for (const auto& k : knobs)
    {
        for (const auto& c : cuts)
        {
            if (c.cut != closeEditor && ! k.onPanel)
                continue;

            SCOPED_TRACE (juce::String (k.id) + ", " + c.name);
            EditorTest::closeEditor();
            processor = std::make_unique<SabrelProcessor>();
            useBand (2, FilterType::bell, 1000.0f, 3.0f);
            useBand (7, FilterType::bell, 5000.0f, -2.0f);
            const auto id = k.onPanel ? bandParamId (2, k.id) : juce::String (k.id);
            const auto otherBandId = bandParamId (7, k.onPanel ? k.id : "gain"); // the knob's after a rebind
            const float before = raw (id), otherBefore = raw (otherBandId);

            auto& e = openEditor();
            auto& slider = (e.*(k.knob)).slider;
            interaction::ParameterRecorder recorder (*processor);

            slider.mouseDown (interaction::sliderEvent (slider, 0.0f));
            slider.mouseDrag (interaction::sliderEvent (slider, -20.0f));
            const float cutAt = raw (id);
            EXPECT_NE (cutAt, before);

            if (c.cut == closeEditor)
            {
                EditorTest::closeEditor();
            }
            else
            {
                e.curveCanvas.selectBand (c.cut == selectOtherBand ? 7 : -1);
                slider.mouseDrag (interaction::sliderEvent (slider, -60.0f));
                slider.mouseUp (interaction::sliderEvent (slider, -60.0f));
                EXPECT_FLOAT_EQ (raw (id), cutAt);
                EXPECT_FLOAT_EQ (raw (otherBandId), otherBefore);
            }

            const auto index = processor->apvts.getParameter (id)->getParameterIndex();
            const std::map<int, std::pair<int, int>> oneWholeGesture { { index, { 1, 1 } } };
            EXPECT_EQ (gesturesByParameter (recorder), oneWholeGesture);
        }
    }
}
