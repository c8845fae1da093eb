#include "InteractionTestSupport.h"

#include "engine/ParameterLayout.h"
#include "update/UpdateChecker.h"

#include <unistd.h>

#include <cstdlib>

namespace interaction
{
namespace
{
const char* const redirected[] = { "HOME", "XDG_CONFIG_HOME", "SABREL_UPDATE_URL" };
}

ScopedSettingsHome::ScopedSettingsHome (const std::map<juce::String, juce::String>& extraKeys)
{
    for (auto* name : redirected)
    {
        auto* value = std::getenv (name);
        saved[name] = value != nullptr ? std::optional<std::string> (value) : std::nullopt;
    }

    home = juce::File::getSpecialLocation (juce::File::tempDirectory)
               .getNonexistentChildFile ("sabrel-editor-home-" + juce::String (::getpid()), {}, false);
    home.createDirectory();
    ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
    ::setenv ("SABREL_UPDATE_URL", "http://127.0.0.1:9/closed", 1);

    juce::PropertiesFile file (settingsFile(), updateSettingsOptions());
    file.setValue (updatekeys::lastCheckMs, juce::String (juce::Time::currentTimeMillis()));

    for (const auto& [key, value] : extraKeys)
        file.setValue (key, value);

    file.save();
}

ScopedSettingsHome::~ScopedSettingsHome()
{
    for (auto& [name, value] : saved)
    {
        if (value)
            ::setenv (name.c_str(), value->c_str(), 1);
        else
            ::unsetenv (name.c_str());
    }

    home.deleteRecursively();
}

juce::File ScopedSettingsHome::settingsFile() const
{
    return UserSettingsFiles::locationFor (updateSettingsOptions(), false);
}

juce::StringPairArray ScopedSettingsHome::storedSettings() const
{
    juce::PropertiesFile file (settingsFile(), updateSettingsOptions());
    return file.getAllProperties();
}

RecordingLauncher::RecordingLauncher()
{
    previous = browser::replaceLauncher ([this] (const juce::String& address)
    {
        opened.push_back (address);
        return true;
    });
}

RecordingLauncher::~RecordingLauncher()
{
    browser::replaceLauncher (previous);
}

juce::MouseEvent sliderEvent (juce::Slider& slider, float dy, juce::ModifierKeys mods)
{
    const auto centre = slider.getLocalBounds().getCentre().toFloat();
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), centre.translated (0.0f, dy),
                             mods, juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &slider,
                             &slider, now, centre, now, 1, false);
}

ParameterRecorder::ParameterRecorder (SabrelProcessor& processor) : proc (processor)
{
    for (auto* p : proc.getParameters())
        p->addListener (this);
}

ParameterRecorder::~ParameterRecorder()
{
    for (auto* p : proc.getParameters())
        p->removeListener (this);
}

int ParameterRecorder::count (const juce::String& parameterId, char what) const
{
    auto* p = proc.apvts.getParameter (parameterId);
    int n = 0;

    for (const auto& e : events)
        if (p != nullptr && e.parameterIndex == p->getParameterIndex() && e.what == what)
            ++n;

    return n;
}

int ParameterRecorder::countAll (char what) const
{
    int n = 0;

    for (const auto& e : events)
        if (e.what == what)
            ++n;

    return n;
}

std::map<std::string, std::string> ParameterRecorder::sequences() const
{
    const auto& parameters = proc.getParameters();
    std::map<std::string, std::string> result;

    for (const auto& e : events)
        if (auto* p = dynamic_cast<juce::RangedAudioParameter*> (parameters[e.parameterIndex]))
            result[p->getParameterID().toStdString()] += e.what;

    return result;
}

namespace
{
std::string describe (const std::map<std::string, std::string>& sequences)
{
    std::string text;

    for (const auto& [id, events] : sequences)
        text += " " + id + ":" + events;

    return text.empty() ? " nothing" : text;
}
} // namespace

std::set<std::string> bandIds (int band, const std::vector<const char*>& suffixes)
{
    std::set<std::string> ids;

    for (auto* suffix : suffixes)
        ids.insert (bandParamId (band, suffix).toStdString());

    return ids;
}

::testing::AssertionResult oneGestureEach (const ParameterRecorder& recorder,
                                           const std::set<std::string>& ids, bool changed)
{
    const auto sequences = recorder.sequences();
    std::set<std::string> touched;

    for (const auto& [id, events] : sequences)
    {
        touched.insert (id);
        const bool oneGesture = events.size() >= 2 && events.front() == 'b' && events.back() == 'e'
                                && events.find_first_not_of ('v', 1) == events.size() - 1;

        if (! oneGesture || (changed && events.size() == 2))
            return ::testing::AssertionFailure() << id << " is not one gesture around its changes:"
                                                 << describe (sequences);
    }

    if (touched != ids)
        return ::testing::AssertionFailure() << "other parameters than expected were touched:"
                                             << describe (sequences);

    return ::testing::AssertionSuccess();
}

::testing::AssertionResult balancedGestures (const ParameterRecorder& recorder)
{
    const auto sequences = recorder.sequences();

    for (const auto& [id, events] : sequences)
    {
        bool open = false;

        for (auto what : events)
        {
            if (what == 'v' ? ! open : (what == 'b') == open)
                return ::testing::AssertionFailure() << id << " is unbalanced:" << describe (sequences);

            if (what != 'v')
                open = ! open;
        }

        if (open)
            return ::testing::AssertionFailure() << id << " was left open:" << describe (sequences);
    }

    return ::testing::AssertionSuccess();
}

void prepareCanvas (CurveCanvas& canvas, SabrelProcessor& processor)
{
    canvas.setSize (editorCanvasWidth, editorCanvasHeight);
    canvas.sampleRate = processor.sampleRate;
    canvas.staticModel.sampleRate = processor.sampleRate;
    canvas.dynamicModel.sampleRate = processor.sampleRate;
    canvas.setBands (processor.snapshotBands());
}

void paintCanvas (CurveCanvas& canvas)
{
    juce::Image image (juce::Image::ARGB, canvas.getWidth(), canvas.getHeight(), true,
                       juce::SoftwareImageType());
    juce::Graphics g (image);
    canvas.paintEntireComponent (g, false);
}

juce::Point<float> handleOn (const CurveCanvas& canvas, int band)
{
    const auto& b = canvas.bands[(size_t) band];
    return { canvas.frequencyToX (juce::jlimit (20.0, 20000.0, b.freq)),
             canvas.dbToY (canvas.bandHandleLevel (band)) };
}

CanvasFixture::CanvasFixture()
{
    prepareCanvas (canvas, processor);
}

void CanvasFixture::setParam (int band, const char* suffix, float value)
{
    auto* p = processor.apvts.getParameter (bandParamId (band, suffix));
    p->setValueNotifyingHost (p->convertTo0to1 (value));
}

void CanvasFixture::placeBand (int band, int type, float frequency, float gainDb)
{
    setParam (band, "type", (float) type);
    setParam (band, "freq", frequency);
    setParam (band, "gain", gainDb);
    setParam (band, "active", 1.0f);
    setParam (band, "on", 1.0f);
    syncFromProcessor();
}

void CanvasFixture::syncFromProcessor()
{
    canvas.setBands (processor.snapshotBands());
}

float CanvasFixture::param (int band, const char* suffix) const
{
    return processor.apvts.getRawParameterValue (bandParamId (band, suffix))->load();
}

float CanvasFixture::normalised (int band, const char* suffix) const
{
    return processor.apvts.getParameter (bandParamId (band, suffix))->getValue();
}

juce::Point<float> CanvasFixture::handleOf (int band) const
{
    return handleOn (canvas, band);
}

juce::MouseEvent CanvasFixture::event (juce::Point<float> position, juce::ModifierKeys mods, int clicks) const
{
    auto* c = const_cast<CurveCanvas*> (&canvas);
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, c, c, now, position, now,
                             clicks, false);
}

void CanvasFixture::press (juce::Point<float> p, juce::ModifierKeys mods) { canvas.mouseDown (event (p, mods)); }
void CanvasFixture::drag (juce::Point<float> p, juce::ModifierKeys mods) { canvas.mouseDrag (event (p, mods)); }
void CanvasFixture::release (juce::Point<float> p) { canvas.mouseUp (event (p)); }
void CanvasFixture::move (juce::Point<float> p) { canvas.mouseMove (event (p)); }

void CanvasFixture::doubleClick (juce::Point<float> p)
{
    canvas.mouseDoubleClick (event (p, juce::ModifierKeys::leftButtonModifier, 2));
}

void CanvasFixture::wheel (juce::Point<float> p, float deltaY, bool reversed)
{
    juce::MouseWheelDetails details {};
    details.deltaY = deltaY;
    details.isReversed = reversed;
    canvas.mouseWheelMove (event (p), details);
}

void CanvasFixture::showOverlay()
{
    paintCanvas (canvas);

    if (canvas.selectedBand >= 0)
        ASSERT_TRUE (canvas.overlayVisible) << "the selected band's overlay was not drawn";
}
} // namespace interaction
