#pragma once

#include "editor/BrowserOpener.h"
#include "editor/CurveCanvas.h"
#include "engine/SabrelProcessor.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/TestDisplay.h"

namespace interaction
{
// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder holding a settings file in
// which a check was just made (so opening an editor starts none), and the update address at
// a closed local port. Everything is restored afterwards.
class ScopedSettingsHome
{
public:
    explicit ScopedSettingsHome (const std::map<juce::String, juce::String>& extraKeys = {});
    ~ScopedSettingsHome();

    juce::File settingsFile() const;
    juce::StringPairArray storedSettings() const;

    juce::File home;

private:
    std::map<std::string, std::optional<std::string>> saved;
};

// Replaces the browser launcher for its lifetime and records what would have been opened.
class RecordingLauncher
{
public:
    RecordingLauncher();
    ~RecordingLauncher();

    std::vector<juce::String> opened;

private:
    browser::Launcher previous;
};

// Records begin and end of change gestures and value changes of the processor's parameters.
class ParameterRecorder : private juce::AudioProcessorParameter::Listener
{
public:
    explicit ParameterRecorder (SabrelProcessor& processor);
    ~ParameterRecorder() override;

    struct Event
    {
        int parameterIndex;
        char what; // 'b' gesture began, 'e' gesture ended, 'v' value changed
    };

    std::vector<Event> events;

    int count (const juce::String& parameterId, char what) const;
    int countAll (char what) const;

    // Each parameter's events in order, by parameter id: "bvve" is one gesture around two changes.
    std::map<std::string, std::string> sequences() const;

private:
    void parameterValueChanged (int index, float) override { events.push_back ({ index, 'v' }); }
    void parameterGestureChanged (int index, bool starting) override { events.push_back ({ index, starting ? 'b' : 'e' }); }

    SabrelProcessor& proc;
};

// The ids of a band's parameters with these suffixes.
std::set<std::string> bandIds (int band, const std::vector<const char*>& suffixes);

// Every suffix of a band's parameters: the ones that adding a band sets.
inline const std::vector<const char*> everyBandSuffix {
    "type", "freq", "gain", "q", "slope", "active", "solo", "dynon", "auto",
    "thresh", "atk", "rel", "ratio", "knee", "channel", "scext", "tilt", "on"
};

// Whether exactly the parameters `ids` were touched, each with one gesture that holds all of
// its changes (and at least one change when `changed`).
::testing::AssertionResult oneGestureEach (const ParameterRecorder& recorder,
                                           const std::set<std::string>& ids, bool changed = true);

// Whether every change of every parameter fell inside a gesture, and every gesture began once
// and ended once, without overlapping another on the same parameter.
::testing::AssertionResult balancedGestures (const ParameterRecorder& recorder);

// The size of the editor's curve canvas.
constexpr int editorCanvasWidth = 784;
constexpr int editorCanvasHeight = 448;

// Sets a canvas up at the editor's canvas size and rate, with the processor's bands.
void prepareCanvas (CurveCanvas& canvas, SabrelProcessor& processor);

// Paints the canvas, which records where the selected band's overlay put its controls:
// the tests press, move and click on those recorded places.
void paintCanvas (CurveCanvas& canvas);

// A band's handle position as the canvas draws it.
juce::Point<float> handleOn (const CurveCanvas& canvas, int band);

// A mouse event on a knob's slider, `dy` pixels below its centre, where the press was.
juce::MouseEvent sliderEvent (juce::Slider& slider, float dy,
                              juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier);

// A processor and a curve canvas of the editor's size, as the editor sets one up.
class CanvasFixture : public ::testing::Test
{
protected:
    CanvasFixture();

    static constexpr int canvasWidth = editorCanvasWidth;
    static constexpr int canvasHeight = editorCanvasHeight;

    // Puts a band into use through its parameters and takes the processor's bands into the canvas.
    void placeBand (int band, int type, float frequency, float gainDb = 0.0f);
    void setParam (int band, const char* suffix, float value);
    void syncFromProcessor();

    float param (int band, const char* suffix) const;
    float normalised (int band, const char* suffix) const;

    // The band's handle position as the canvas draws it.
    juce::Point<float> handleOf (int band) const;

    // Synthetic mouse events, delivered through the canvas's own handlers.
    juce::MouseEvent event (juce::Point<float> position, juce::ModifierKeys mods = {}, int clicks = 1) const;
    void press (juce::Point<float> p, juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier);
    void drag (juce::Point<float> p, juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier);
    void release (juce::Point<float> p);
    void doubleClick (juce::Point<float> p);
    void move (juce::Point<float> p);
    void wheel (juce::Point<float> p, float deltaY, bool reversed = false);

    // Paints the canvas (see paintCanvas) and checks that a selected band's overlay was drawn.
    void showOverlay();

    ScopedSettingsHome settingsHome;
    SabrelProcessor processor;
    CurveCanvas canvas { processor };
};

// The same, keeping every band the canvas reports as selected, in order.
class SelectionRecordingFixture : public CanvasFixture
{
protected:
    SelectionRecordingFixture()
    {
        canvas.onBandSelected = [this] (int band) { selections.push_back (band); };
    }

    std::vector<int> selections;
};
} // namespace interaction
