#include "EditorTestFixture.h"

#include "editor/KnobFilmstrip.h"

#include <BinaryData.h>

#include <cmath>
#include <atomic>
#include <limits>
#include <thread>

namespace
{
const juce::Identifier uiScaleId ("uiScale");
const juce::Identifier analyzerModeId ("analyzerMode");

juce::Image filledImage (int w, int h)
{
    juce::Image image (juce::Image::ARGB, w, h, true, juce::SoftwareImageType());
    image.clear (image.getBounds(), juce::Colours::grey);
    return image;
}
} // namespace

TEST_F (EditorTest, UiScaleIsClampedAndSizesTheWindowWithTiesToEven)
{
    auto& e = openEditor();
    EXPECT_EQ (e.getWidth(), 980);
    EXPECT_EQ (e.getHeight(), 690);

    const struct { double requested, stored; int w, h; } cases[] {
        { 0.5, 0.75, 735, 518 },  { 3.0, 2.0, 1960, 1380 }, { 1.25, 1.25, 1225, 862 },
        { 1.75, 1.75, 1715, 1208 }, { std::numeric_limits<double>::quiet_NaN(), 1.0, 980, 690 },
    };

    for (const auto& c : cases)
    {
        e.setUiScale (c.requested);
        EXPECT_EQ (e.getWidth(), c.w) << c.requested;
        EXPECT_EQ (e.getHeight(), c.h) << c.requested;
        EXPECT_DOUBLE_EQ (e.uiScale, c.stored);
        EXPECT_DOUBLE_EQ ((double) processor->getViewProperty (uiScaleId), c.stored);
        EXPECT_EQ (e.content.getBounds(), juce::Rectangle<int> (0, 0, 980, 690));
    }
}

TEST_F (EditorTest, HostSizeSetsTheContentTransformOnly)
{
    auto& e = openEditor();
    const struct { int width; float scale; } cases[] { { 600, 0.75f }, { 2500, 2.0f }, { 1470, 1.5f } };

    for (const auto& c : cases)
    {
        e.setSize (c.width, 400);
        EXPECT_EQ (e.content.getTransform(), juce::AffineTransform::scale (c.scale)) << c.width;
        EXPECT_EQ (e.content.getBounds(), juce::Rectangle<int> (0, 0, 980, 690));
    }
}

TEST_F (EditorTest, ViewSettingsTravelWithTheStateIntoANewProcessor)
{
    {
        auto& e = openEditor();
        e.setUiScale (1.5);
        e.setAnalyzerMode (1);
        closeEditor();
    }

    juce::MemoryBlock block;
    processor->getStateInformation (block);
    const auto xml = juce::String::fromUTF8 ((const char*) block.getData() + 8, (int) block.getSize() - 9);
    EXPECT_TRUE (xml.contains ("uiScale=\"1.5\"")) << xml.substring (0, 200);
    EXPECT_TRUE (xml.contains ("analyzerMode=\"1\""));

    processor = std::make_unique<SabrelProcessor>();
    processor->setStateInformation (block.getData(), (int) block.getSize());

    auto& reopened = openEditor();
    EXPECT_DOUBLE_EQ (reopened.uiScale, 1.5);
    EXPECT_EQ (reopened.getWidth(), 1470);
    EXPECT_EQ (reopened.getHeight(), 1035);
    EXPECT_EQ (reopened.curveCanvas.analyzerMode, 1);
}

TEST_F (EditorTest, EveryOpeningWritesBothViewSettings)
{
    EXPECT_TRUE (processor->getViewProperty (uiScaleId).isVoid());
    EXPECT_TRUE (processor->getViewProperty (analyzerModeId).isVoid());

    openEditor();

    EXPECT_DOUBLE_EQ ((double) processor->getViewProperty (uiScaleId), 1.0);
    EXPECT_EQ ((int) processor->getViewProperty (analyzerModeId), 2);
}

TEST_F (EditorTest, StoredViewSettingsOutOfRangeOrMalformedAreClamped)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    const struct { juce::var scale, mode; double wantScale; int wantMode; } cases[] {
        { juce::var(), juce::var(), 1.0, 2 },
        { 9.0, 5, 2.0, 2 },
        { 0.1, -1, 0.75, 0 },
        { "1.25", "1", 1.25, 1 },  // as a restored state block stores them
        { nan, nan, 1.0, 2 },
        { "garbage", 1.0e300, 0.75, 2 },
        { juce::var (juce::Array<juce::var> { 1, 2 }), 2.9, 1.0, 2 },
    };

    for (const auto& c : cases)
    {
        processor = std::make_unique<SabrelProcessor>();
        if (! c.scale.isVoid())
            processor->setViewProperty (uiScaleId, c.scale);
        if (! c.mode.isVoid())
            processor->setViewProperty (analyzerModeId, c.mode);

        auto& e = openEditor();
        EXPECT_DOUBLE_EQ (e.uiScale, c.wantScale) << c.scale.toString();
        EXPECT_EQ (e.curveCanvas.analyzerMode, c.wantMode) << c.mode.toString();
        EXPECT_EQ ((int) processor->getViewProperty (analyzerModeId), c.wantMode);
        closeEditor();
    }
}

TEST_F (EditorTest, SetAnalyzerModeClampsStoresAndMarksTheImage)
{
    auto& e = openEditor();
    const struct { int requested, shown; } cases[] { { 5, 2 }, { -1, 0 }, { 1, 1 }, { 0, 0 } };

    for (const auto& c : cases)
    {
        e.curveCanvas.analyserImageDirty = false;
        e.setAnalyzerMode (c.requested);
        EXPECT_EQ (e.curveCanvas.analyzerMode, c.shown);
        EXPECT_EQ ((int) processor->getViewProperty (analyzerModeId), c.shown);
        EXPECT_TRUE (e.curveCanvas.analyserImageDirty);
    }
}

TEST (KnobFilmstrip, InstalledOnlyWhenTheBaseHoldsEveryFrame)
{
    const auto shippedBase = juce::ImageCache::getFromMemory (BinaryData::knob_master_png, BinaryData::knob_master_pngSize);
    const auto shippedMask = juce::ImageCache::getFromMemory (BinaryData::knob_aux_png, BinaryData::knob_aux_pngSize);

    auto shipped = makeKnobFilmstripRenderer (shippedBase, shippedMask);
    ASSERT_NE (shipped, nullptr);
    EXPECT_EQ (shipped->numFrames, 64);
    EXPECT_EQ (shipped->frameSize, 360);
    EXPECT_FLOAT_EQ (shipped->maxDiameter, 50.0f);

    // 23000 / 360 gives 63 whole frames, 22680 pixels: the strip holds them.
    auto shorter = makeKnobFilmstripRenderer (filledImage (360, 23000), filledImage (360, 23000));
    ASSERT_NE (shorter, nullptr);
    EXPECT_EQ (shorter->numFrames, 63);

    EXPECT_EQ (makeKnobFilmstripRenderer (juce::Image(), shippedMask), nullptr);
    EXPECT_EQ (makeKnobFilmstripRenderer (shippedBase, juce::Image()), nullptr);
    EXPECT_EQ (makeKnobFilmstripRenderer (filledImage (360, 300), filledImage (360, 300)), nullptr);

    const char junk[] = "not a png";
    const auto undecodable = juce::ImageFileFormat::loadFrom (junk, sizeof (junk));
    EXPECT_EQ (makeKnobFilmstripRenderer (undecodable, shippedMask), nullptr);
}

TEST_F (EditorTest, ShippedFilmstripIsSharedByTheThreeLookAndFeels)
{
    auto& e = openEditor();
    ASSERT_NE (e.mainLookAndFeel.knobRenderer, nullptr);
    EXPECT_EQ (e.knobLookAndFeel.knobRenderer, e.mainLookAndFeel.knobRenderer);
    EXPECT_EQ (e.bandLookAndFeel.knobRenderer, e.mainLookAndFeel.knobRenderer);
    EXPECT_EQ (&e.inputKnob.getLookAndFeel(), &e.knobLookAndFeel);
    EXPECT_EQ (&e.freqKnob.getLookAndFeel(), &e.bandLookAndFeel);
    EXPECT_EQ (&e.bypassButton.getLookAndFeel(), &e.mainLookAndFeel);
}

TEST_F (EditorTest, ConstructionBuildsTheDocumentedWindow)
{
    auto& e = openEditor();

    EXPECT_TRUE (e.buildStamp.startsWith ("VST3  build ") || e.buildStamp.startsWith ("Undefined  build "));
    const auto stamp = e.buildStamp.fromFirstOccurrenceOf ("  build ", false, false);
    EXPECT_EQ (stamp.length(), 19) << stamp;
    EXPECT_TRUE (stamp.containsOnly ("0123456789-: ")) << stamp;
    EXPECT_EQ (stamp.substring (4, 5), "-");
    EXPECT_EQ (stamp.substring (10, 11), " ");
    EXPECT_EQ (stamp.substring (13, 14), ":");

    // Children back to front.
    const juce::Component* expected[] { &e.header, &e.curveCanvas, &e.inCaption, &e.outCaption,
                                        &e.meters[0], &e.meters[1], &e.meters[2], &e.meters[3],
                                        &e.inputKnob, &e.outputKnob, &e.scaleKnob, &e.bypassButton,
                                        &e.autoGainButton, &e.freqKnob, &e.gainKnob, &e.qKnob,
                                        &e.bandCaption, &e.prevBandButton, &e.nextBandButton,
                                        &e.phaseButtons[0], &e.phaseButtons[1], &e.phaseButtons[2],
                                        &e.settingsButton, &e.helpButton, &e.updatePill };
    ASSERT_EQ (e.content.getNumChildComponents(), (int) std::size (expected));
    for (int i = 0; i < (int) std::size (expected); ++i)
    {
        EXPECT_EQ (e.content.getChildComponent (i), expected[i]) << i;
        EXPECT_EQ (expected[i]->isVisible(), expected[i] != &e.updatePill) << i;
    }

    EXPECT_EQ (e.inCaption.getText(), "IN");
    EXPECT_EQ (e.outCaption.getText(), "OUT");
    EXPECT_TRUE (e.meters[0].isScaleOnLeft() && e.meters[0].isScaleVisible());
    EXPECT_FALSE (e.meters[1].isScaleVisible());
    EXPECT_FALSE (e.meters[2].isScaleVisible());
    EXPECT_TRUE (! e.meters[3].isScaleOnLeft() && e.meters[3].isScaleVisible());
    EXPECT_EQ (e.meters[0].palette.well, juce::Colour (0xff14171c));
    EXPECT_EQ (e.inputKnob.palette.accent, juce::Colour (0xff1b1d20));

    EXPECT_EQ (e.phaseButtons[0].getButtonText(), "ZERO LAT");
    EXPECT_EQ (e.phaseButtons[1].getButtonText(), "NATURAL");
    EXPECT_EQ (e.phaseButtons[2].getButtonText(), "LINEAR");
    EXPECT_EQ (e.prevBandButton.getProperties()["tcarrow"].toString(), "left");
    EXPECT_EQ (e.nextBandButton.getProperties()["tcarrow"].toString(), "right");
    EXPECT_EQ (e.helpButton.normalColour, kov::KitPalette::standard().textDim.getARGB());
    EXPECT_EQ (e.helpButton.highlightColour, kov::KitPalette::standard().text.getARGB());
    EXPECT_FALSE (e.isResizable());

    // The model takes the rate the processor was last prepared at.
    EXPECT_DOUBLE_EQ (e.curveCanvas.sampleRate, processor->sampleRate);
    EXPECT_DOUBLE_EQ (e.curveCanvas.dynamicModel.sampleRate, processor->sampleRate);
    EXPECT_FLOAT_EQ (e.curveCanvas.staticModel.controlSmoothing, (float) std::exp (-16.0 / (processor->sampleRate * 0.25)));
}

TEST_F (EditorTest, AttachmentsBindTheGlobalControlsBothWays)
{
    auto& e = openEditor();

    const struct { juce::Slider* slider; const char* id; float hostValue; double userValue; } knobs[] {
        { &e.inputKnob.slider, "input", -6.0f, 3.0 },
        { &e.outputKnob.slider, "output", 4.5f, -9.0 },
        { &e.scaleKnob.slider, "gainscale", 150.0f, 50.0 },
    };
    for (const auto& k : knobs)
    {
        setParameter (k.id, k.hostValue);
        EXPECT_NEAR (k.slider->getValue(), k.hostValue, 1e-3) << k.id;
        k.slider->setValue (k.userValue, juce::sendNotificationSync);
        EXPECT_NEAR (raw (k.id), k.userValue, 1e-3) << k.id;
    }

    const struct { juce::Button* button; const char* id; } buttons[] {
        { &e.bypassButton, "bypass" }, { &e.autoGainButton, "autogain" },
    };
    for (const auto& b : buttons)
    {
        const bool before = raw (b.id) >= 0.5f;
        b.button->triggerClick();
        deliverPostedMessages();
        EXPECT_EQ (raw (b.id) >= 0.5f, ! before) << b.id;
        setParameter (b.id, before ? 1.0f : 0.0f);
        EXPECT_EQ (b.button->getToggleState(), before) << b.id;
    }
}

TEST_F (EditorTest, UpdateCheckerReportsRefreshTheOpenEditorOnly)
{
    auto& e = openEditor();
    EXPECT_FALSE (e.updatePill.isVisible());

    // A check that found a newer release stores it and broadcasts.
    juce::StringPairArray found;
    found.set (updatekeys::latestVersion, "9.1.0");
    processor->updateChecker.settings.writeUserValues (found);
    processor->updateChecker.broadcaster.sendSynchronousChangeMessage();
    EXPECT_TRUE (e.updatePill.isVisible());
    EXPECT_EQ (e.updatePill.getButtonText(), "UPDATE 9.1.0");
    EXPECT_GT (e.updatePill.getWidth(), 18);
    EXPECT_EQ (e.footerArea.getRight(), e.updatePill.getX() - 10);
    closeEditor();

    // A report after the close must not reach the deleted editor (a sanitizer or valgrind
    // would see the stale listener).
    processor->updateChecker.broadcaster.sendSynchronousChangeMessage();
    SUCCEED();
}

TEST_F (EditorTest, ViewPropertiesAreIgnoredByARestoreWithTheWrongRoot)
{
    processor->setViewProperty (uiScaleId, 1.5);
    juce::XmlElement other ("OTHER");
    other.setAttribute (uiScaleId, 2.0);
    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary (other, block);
    processor->setStateInformation (block.getData(), (int) block.getSize());
    EXPECT_DOUBLE_EQ ((double) processor->getViewProperty (uiScaleId), 1.5);
}

TEST_F (EditorTest, ViewSettingsWrittenWhileAHostSavesAndRestoresOnItsOwnThread)
{
    auto& e = openEditor();
    juce::MemoryBlock initial;
    processor->getStateInformation (initial);

    std::atomic<bool> stop { false };
    std::atomic<int> rounds { 0 };
    std::thread host ([&] {
        juce::MemoryBlock block;
        while (! stop)
        {
            processor->getStateInformation (block);
            processor->setStateInformation (block.getData(), (int) block.getSize());
            processor->setStateInformation (initial.getData(), (int) initial.getSize());
            ++rounds;
        }
    });

    for (int i = 0; i < 2000 || rounds < 20; ++i)
    {
        e.setUiScale (i % 2 == 0 ? 1.25 : 0.75);
        e.setAnalyzerMode (i % 3);
        juce::ignoreUnused (processor->getViewProperty (uiScaleId));
    }
    stop = true;
    host.join();
    deliverPostedMessages();

    // Whatever the host restored last, the stored settings are valid and the editor still
    // writes into the processor's current tree.
    e.setUiScale (1.5);
    e.setAnalyzerMode (1);
    juce::MemoryBlock block;
    processor->getStateInformation (block);
    closeEditor();
    processor = std::make_unique<SabrelProcessor>();
    processor->setStateInformation (block.getData(), (int) block.getSize());
    EXPECT_DOUBLE_EQ ((double) processor->getViewProperty (uiScaleId), 1.5);
    EXPECT_EQ ((int) processor->getViewProperty (analyzerModeId), 1);
}
