#include "EditorTestFixture.h"

#include "InteractionTestSupport.h"
#include "support/Watchdog.h"

#include <limits>
#include <map>
#include <mutex>
#include <thread>
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

namespace
{
// The last value each parameter told the processor's listeners (the host's side of the VST3
// wrapper listens there), from any thread.
class HostSide : private juce::AudioProcessorListener
{
public:
    explicit HostSide (SabrelProcessor& p) : processor (p) { processor.addListener (this); }
    ~HostSide() override { processor.removeListener (this); }

    float lastValueOf (int index)
    {
        const std::lock_guard<std::mutex> guard (lock);
        return last.count (index) > 0 ? last[index] : -1.0f;
    }

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        const std::lock_guard<std::mutex> guard (lock);
        last[index] = value;
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    SabrelProcessor& processor;
    std::mutex lock;
    std::map<int, float> last;
};

// Every value a slider took, so that a non-finite one handed to it shows.
struct SliderValues : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider* s) override { values.push_back (s->getValue()); }
    std::vector<double> values;
};
} // namespace

// A host hands a bound parameter one NaN or infinity, through the controller (on the message
// thread) or the processor's parameter changes (on the audio thread), and nothing more. The
// parameter keeps a finite value; every widget, and the host, end on it; no widget is ever
// handed a non-finite value, and the message thread goes quiet.
TEST_F (EditorTest, ANonFiniteValueFromTheHostLeavesEveryListenerOnTheValueKept)
{
    const struct { const char* id; kov::Knob SabrelEditor::*knob; juce::TextButton SabrelEditor::*button; } bound[] {
        { "input", &SabrelEditor::inputKnob, nullptr },
        { "output", &SabrelEditor::outputKnob, nullptr },
        { "gainscale", &SabrelEditor::scaleKnob, nullptr },
        { "b2_freq", &SabrelEditor::freqKnob, nullptr },
        { "b2_gain", &SabrelEditor::gainKnob, nullptr },
        { "b2_q", &SabrelEditor::qKnob, nullptr },
        { "bypass", nullptr, &SabrelEditor::bypassButton },
        { "autogain", nullptr, &SabrelEditor::autoGainButton },
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    for (const auto& b : bound)
    {
        for (const float bad : { nan, inf })
        {
            for (const bool audioThread : { false, true })
            {
                SCOPED_TRACE (juce::String (b.id) + " = " + juce::String (bad) + (audioThread ? ", audio thread" : ", message thread"));
                editor.reset();
                processor = std::make_unique<SabrelProcessor>();
                useBand (2, FilterType::bell, 1000.0f, 3.0f);
                setParameter (b.id, b.button != nullptr ? 1.0f : 0.5f * (processor->apvts.getParameterRange (b.id).start
                                                                          + processor->apvts.getParameterRange (b.id).end));
                auto& e = openEditor();
                e.curveCanvas.selectBand (2);
                auto* parameter = processor->apvts.getParameter (b.id);
                HostSide host (*processor);
                SliderValues taken;
                if (b.knob != nullptr)
                    (e.*(b.knob)).slider.addListener (&taken);

                {
                    const watchdog::ScopeLimit limit ("the message thread after a non-finite value");
                    const auto hand = [parameter, bad] { parameter->setValueNotifyingHost (bad); };
                    if (audioThread)
                        std::thread (hand).join();
                    else
                        hand();

                    pumpMessagesFor (150);
                    EXPECT_LT (deliverPostedMessages (5000), 5000) << "the message thread never goes quiet";
                }

                const float kept = parameter->getValue();
                ASSERT_TRUE (std::isfinite (kept));
                EXPECT_EQ (host.lastValueOf (parameter->getParameterIndex()), kept) << "the host's last word";

                if (b.knob != nullptr)
                {
                    auto& slider = (e.*(b.knob)).slider;
                    slider.removeListener (&taken);
                    EXPECT_NEAR (slider.getValue(), parameter->convertFrom0to1 (kept), 1e-3);
                    for (const auto v : taken.values)
                        EXPECT_TRUE (std::isfinite (v)) << "the slider was handed " << v;
                }
                else
                {
                    EXPECT_EQ ((e.*(b.button)).getToggleState(), kept >= 0.5f);
                }
            }
        }
    }
}
