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

CanvasFixture::CanvasFixture()
{
    canvas.setSize (canvasWidth, canvasHeight);
    canvas.sampleRate = processor.sampleRate;
    canvas.staticModel.sampleRate = processor.sampleRate;
    canvas.dynamicModel.sampleRate = processor.sampleRate;
    syncFromProcessor();
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
    const auto& b = canvas.bands[(size_t) band];
    return { canvas.frequencyToX (juce::jlimit (20.0, 20000.0, b.freq)), canvas.dbToY (canvas.bandHandleLevel (band)) };
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

namespace
{
bool typeHasDynamics (int type)
{
    return type == FilterType::bell || type == FilterType::lowShelf || type == FilterType::highShelf;
}
} // namespace

void CanvasFixture::showOverlay()
{
    juce::Image image (juce::Image::ARGB, canvasWidth, canvasHeight, true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        canvas.paintEntireComponent (g, false);
    }

    if (canvas.overlayVisible || canvas.selectedBand < 0)
        return;

    const auto anchor = handleOf (canvas.selectedBand);
    const float contentWidth = 300.0f, panelWidth = contentWidth + 16.0f, panelHeight = 142.0f;
    const auto x = juce::jlimit (2.0f, canvasWidth - panelWidth - 2.0f, anchor.x + 21.0f);
    const auto y = juce::jlimit (2.0f, canvasHeight - panelHeight - 2.0f, anchor.y - panelHeight / 2.0f);
    const auto bx = x + 8.0f, by = y + 8.0f;

    canvas.overlayVisible = true;
    canvas.overlayRect = { x, y, panelWidth, panelHeight };
    canvas.powerRect = { bx, by, 18, 18 };
    canvas.soloRect = { bx + 24, by, 18, 18 };
    canvas.closeRect = { bx + 48, by, 18, 18 };
    canvas.typeLabelRect = { bx + 72, by, 30, 18 };
    canvas.channelLabelRect = { bx + 108, by, 26, 18 };

    const auto chips = bx + contentWidth - 3 * 36 - 2 * 5;
    canvas.dynRect = { chips, by + 0.5f, 36, 17 };
    canvas.autoRect = { chips + 41, by + 0.5f, 36, 17 };
    canvas.sidechainRect = { chips + 82, by + 0.5f, 36, 17 };
    canvas.autoShown = canvas.sidechainShown = true;

    // The value rows by type, as the overlay lays them out; -1 is a row that is only text.
    const auto type = canvas.bands[(size_t) canvas.selectedBand].type;
    std::vector<int> rowKinds { ValueKind::frequency };

    if (type == FilterType::lowCut || type == FilterType::highCut)
        rowKinds.push_back (ValueKind::slope);
    else if (type == FilterType::tilt)
        rowKinds.push_back (ValueKind::tilt);
    else if (type == FilterType::notch)
        rowKinds.insert (rowKinds.end(), { -1, ValueKind::q });
    else
        rowKinds.insert (rowKinds.end(), { ValueKind::gain, ValueKind::q });

    canvas.valueBoxCount = 0;

    for (size_t i = 0; i < rowKinds.size(); ++i)
    {
        if (rowKinds[i] < 0)
            continue;

        canvas.valueBoxRects[(size_t) canvas.valueBoxCount] = { bx + 40.0f + 70.0f * (float) i, by + 25.0f, 56.0f, 14.0f };
        canvas.valueBoxKinds[(size_t) canvas.valueBoxCount] = rowKinds[i];
        ++canvas.valueBoxCount;
    }

    if (! typeHasDynamics (type))
    {
        canvas.dynRect = canvas.autoRect = canvas.sidechainRect = {};
        canvas.autoShown = canvas.sidechainShown = false;
        canvas.thresholdBand = -1;
        canvas.dynSliderCount = 0;
        return;
    }

    const auto sy = y + 54.0f;
    canvas.thresholdBand = canvas.selectedBand;
    canvas.thresholdTrackRect = { bx, sy + 13.0f, contentWidth - 76.0f, 13.0f };

    const auto columnWidth = (contentWidth - 16.0f) / 2.0f;
    canvas.dynSliderCount = 4;

    for (int i = 0; i < 4; ++i)
    {
        const auto track = juce::Rectangle<float> (bx + 41.0f + (i % 2 == 1 ? columnWidth + 16.0f : 0.0f),
                                                   (i < 2 ? sy + 30.0f : sy + 55.0f) + 14.0f, columnWidth - 94.0f, 4.0f);
        canvas.dynSliderRects[(size_t) i] = track;
        canvas.valueBoxRects[(size_t) canvas.valueBoxCount] = { track.getRight() + 6.0f, track.getY() - 5.0f, 48.0f, 14.0f };
        canvas.valueBoxKinds[(size_t) canvas.valueBoxCount] = ValueKind::ratio + i;
        ++canvas.valueBoxCount;
    }
}
} // namespace interaction
