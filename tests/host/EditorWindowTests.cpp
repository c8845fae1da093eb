// The plug-in's editor in a real window of a host, on an X display, while audio runs.

#include "HostedPlugin.h"
#include "ScreenCapture.h"
#include "support/TestDisplay.h"
#include "support/Watchdog.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace
{
constexpr int designWidth = 980;
constexpr int designHeight = 690;

// Processes blocks of noise on a thread of its own at about the pace of real time.
class AudioThread
{
public:
    explicit AudioThread (juce::AudioPluginInstance& p) : plugin (p), thread ([this] { run(); }) {}

    ~AudioThread()
    {
        running = false;
        thread.join();
    }

    int blocksProcessed() const { return blocks.load(); }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        juce::Random random (7);

        while (running)
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < buffer.getNumSamples(); ++i)
                    buffer.setSample (ch, i, 0.5f * (random.nextFloat() - 0.5f));

            plugin.processBlock (buffer, midi);
            ++blocks;
            std::this_thread::sleep_for (std::chrono::milliseconds (10));
        }
    }

    juce::AudioPluginInstance& plugin;
    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    std::thread thread;
};

// Sets a root property of the plug-in's own state, as restoring a project saved with it does.
// The VST3 wrapper's private data after the processor's block is kept as it was.
void setStateProperty (juce::AudioPluginInstance& plugin, const juce::Identifier& name, const juce::var& value)
{
    const auto hostState = withModuleState (plugin, [&] (const juce::MemoryBlock& moduleState) {
        const auto xml = juce::AudioProcessor::getXmlFromBinary (moduleState.getData(), (int) moduleState.getSize());

        if (xml == nullptr)
        {
            ADD_FAILURE() << "the module's state holds no XML block";
            return moduleState;
        }

        const auto* bytes = static_cast<const char*> (moduleState.getData());
        const auto xmlBlockEnd = juce::jmin (moduleState.getSize(), 8 + (size_t) juce::ByteOrder::littleEndianInt (bytes + 4));
        xml->setAttribute (name, value.toString());
        juce::MemoryBlock changed;
        juce::AudioProcessor::copyXmlToBinary (*xml, changed);
        changed.append (bytes + xmlBlockEnd, moduleState.getSize() - xmlBlockEnd);
        return changed;
    });

    ASSERT_FALSE (hostState.isEmpty());
    plugin.setStateInformation (hostState.getData(), (int) hostState.getSize());
}

// Runs the message loop until `done` holds, at most `timeoutMs`; says whether it held.
bool pumpUntil (const std::function<bool()>& done, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 100)
    {
        if (done())
            return true;
        pumpMessagesFor (100);
    }
    return done();
}

juce::File galleryFile (const juce::String& name)
{
    auto folder = juce::File (SABREL_HOST_OUTPUT_DIR).getChildFile ("gallery");
    folder.createDirectory();
    return folder.getChildFile (name);
}
} // namespace

// Opens the editor twenty times at changing scales, each time in a new window, while another
// thread processes audio; the first opening runs the display refresh for a second. The window
// must show the editor at the stored scale, drawn by the module itself (read back from the
// X server), and every close must leave the instance without an editor.
TEST_F (HostedPlugin, EditorOpensInARealWindowTwentyTimesWhileAudioRuns)
{
    SKIP_WITHOUT_DISPLAY();

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.inputBuses.add (juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (plugin->setBusesLayout (layout));
    plugin->prepareToPlay (48000.0, 512);

    const double scales[] = { 1.0, 1.5, 0.75, 2.0, 1.25 };
    const juce::Identifier uiScale ("uiScale");

    {
        AudioThread audio (*plugin);

        for (int round = 0; round < 20; ++round)
        {
            SCOPED_TRACE ("round " + std::to_string (round));
            const double scale = scales[round % std::size (scales)];
            setStateProperty (*plugin, uiScale, scale);

            auto* editor = plugin->createEditorIfNeeded();
            ASSERT_NE (editor, nullptr);
            EXPECT_EQ (plugin->getActiveEditor(), editor);

            {
                PluginWindow window (editor);
                pumpMessagesFor (round == 0 ? 1000 : 150);

                const juce::Rectangle<int> expected (juce::roundToInt (designWidth * scale),
                                                     juce::roundToInt (designHeight * scale));
                EXPECT_EQ (editor->getLocalBounds(), expected) << "scale " << scale;
                EXPECT_EQ (window.getContentComponent(), editor);

                if (round < 2)
                {
                    // What the server shows inside the window is the module's drawing, not the
                    // black that the host paints behind an embedded view (all that is left when
                    // embedding fails).
                    juce::Image shown;
                    const auto hostBackdrop = [&] { return shareOfColour (shown, juce::Colours::black); };
                    const bool drawn = pumpUntil ([&] {
                        shown = captureTestScreen (editor->getScreenBounds());
                        return ! shown.isValid() || hostBackdrop() < 0.5;
                    }, 10000);

                    if (shown.isValid())
                    {
                        EXPECT_TRUE (drawn) << "black: " << hostBackdrop();
                        juce::FileOutputStream out (galleryFile (round == 0 ? "editor_host_window.png"
                                                                            : "editor_host_window_150.png"));
                        out.setPosition (0);
                        out.truncate();
                        juce::PNGImageFormat().writeImageToStream (shown, out);
                    }
                }

                if (round == 2)
                {
                    // A host that stretches the window: the editor sizes itself and does not
                    // follow (the embedded view keeps the module's size).
                    window.setContentComponentSize (expected.getWidth() * 3 / 2, expected.getHeight());
                    pumpMessagesFor (150);
                    ASSERT_EQ (editor->getNumChildComponents(), 1);
                    EXPECT_EQ (editor->getChildComponent (0)->getLocalBounds(), expected);
                }
            }

            pumpMessagesFor (20);
            EXPECT_EQ (plugin->getActiveEditor(), nullptr);
        }

        EXPECT_GT (audio.blocksProcessed(), 100);
    }

    plugin->releaseResources();
}

// The framework's parser loops for ever on a processing instruction followed by text inside an
// element, and the per-user settings file is read as the editor opens (and parsed again, value by
// value, whenever it is saved). Such a file is unreadable: the editor opens, and nothing in the
// file is used; its check, due as if none had been made, writes it afresh.
TEST_F (HostedPlugin, EditorOpensOverASettingsFileWithAProcessingInstruction)
{
    SKIP_WITHOUT_DISPLAY();

    const auto settings = pluginSettingsFile();
    const auto original = settings.loadFileAsString();
    ASSERT_TRUE (original.contains ("updateLastCheckMs"));

    // Today's check has run and found a newer version. A file whose markup the framework must
    // not parse is replaced; from one that parses safely only the unsafe value goes.
    const auto withValues = [&original] (const juce::String& more) {
        return original.replace ("</PROPERTIES>", "<VALUE name=\"updateLatestVersion\" val=\"9.9.9\"/>" + more
                                                      + "</PROPERTIES>");
    };

    const struct { juce::String content; bool keepsTheRest; } cases[] {
        { withValues ("<?x?>y"), false },
        { withValues ("<VALUE name=\"updateLatestNotes\" val=\"&lt;r&gt;a&lt;?x?&gt;y&lt;/r&gt;\"/>"), true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.content);
        ASSERT_TRUE (settings.replaceWithText (c.content));
        auto instance = create();
        ASSERT_NE (instance, nullptr);

        {
            const watchdog::ScopeLimit limit ("opening the editor over " + c.content.toStdString());
            auto* editor = instance->createEditorIfNeeded();
            ASSERT_NE (editor, nullptr);
            PluginWindow window (editor);
            pumpMessagesFor (300);
        }

        const auto written = settings.loadFileAsString();
        EXPECT_TRUE (written.contains ("updateLastCheckMs")) << written;
        EXPECT_EQ (written.contains ("9.9.9"), c.keepsTheRest) << written;
        EXPECT_FALSE (written.contains ("?x?")) << written;
    }

    settings.replaceWithText (original);
}


// One NaN or infinity from the host for a knob's parameter while the editor is open, through
// the controller or the processor's parameter changes, and nothing more: the host's message
// thread goes on, and the host ends on a finite value, the one the module kept.
TEST_F (HostedPlugin, ANonFiniteValueFromTheHostNeitherFreezesItNorSticks)
{
    SKIP_WITHOUT_DISPLAY();
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    for (const char* name : { "Input", "Output" })
    {
        for (const float bad : { nan, inf })
        {
            for (const bool processing : { false, true })
            {
                SCOPED_TRACE (juce::String (name) + " = " + juce::String (bad) + (processing ? ", while processing" : ""));
                plugin = create();
                ASSERT_NE (plugin, nullptr);
                plugin->prepareToPlay (48000.0, 512);
                auto* parameter = parameterNamed (name);
                ASSERT_NE (parameter, nullptr);
                parameter->setValueNotifyingHost (0.25f);

                PluginWindow window (plugin->createEditorIfNeeded());
                juce::AudioBuffer<float> buffer (2, 512);
                juce::MidiBuffer midi;
                const auto block = [&] { buffer.clear(); plugin->processBlock (buffer, midi); };

                {
                    const watchdog::ScopeLimit limit ("the host's message thread after a non-finite value");
                    pumpMessagesFor (100);
                    parameter->setValue (bad);
                    for (int i = 0; i < 10; ++i)
                    {
                        if (processing)
                            block();
                        pumpMessagesFor (30);
                    }
                }
                plugin->releaseResources();

                // The wrapper's controller takes an infinity as the end of the range before the
                // module sees it, and tells nobody: the host's own copy is its own then.
                if (std::isinf (bad) && ! processing)
                    continue;

                const float kept = parameter->getValue();
                EXPECT_TRUE (std::isfinite (kept));
                EXPECT_FLOAT_EQ (kept, std::isnan (bad) ? 0.25f : 1.0f);
            }
        }
    }
}
