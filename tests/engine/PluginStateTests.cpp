#include "engine/ProcessorHarness.h"
#include "engine/StateBlock.h"
#include "engine/StateBlockBytes.h"
#include "support/Watchdog.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace
{
constexpr uint8_t magic[] = { 'V', 'C', '2', '!' };

std::vector<float> rawValues (SabrelProcessor& p)
{
    std::vector<float> values;
    for (auto* param : p.getParameters())
        values.push_back (dynamic_cast<juce::RangedAudioParameter*> (param)->convertFrom0to1 (param->getValue()));
    return values;
}

void setRaw (SabrelProcessor& p, const juce::String& id, float raw)
{
    auto* param = p.apvts.getParameter (id);
    param->setValueNotifyingHost (param->convertTo0to1 (raw));
}

// A block laid out by hand: magic, a length field, the text, a trailing zero.
juce::MemoryBlock makeBlock (const juce::String& xmlText, std::optional<uint32_t> lengthField = {})
{
    return makeStateBlock (xmlText.toStdString(), lengthField);
}

juce::String blockText (const juce::MemoryBlock& block)
{
    return juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8, (int) block.getSize() - 9);
}

// Sets a distinctive, non-default state so that any change shows.
void setDistinctState (SabrelProcessor& p)
{
    setRaw (p, "b3_freq", 777.0f);
    setRaw (p, "b3_gain", -7.5f);
    setRaw (p, "b3_on", 1.0f);
    setRaw (p, "b12_type", 5.0f);
    setRaw (p, "b23_tilt", 4.2f);
    setRaw (p, "gainscale", 150.0f);
    setRaw (p, "phasemode", 2.0f);
}

// True when the framework would accept the block as a parameter tree: the rule a hostile block
// must fail for the state to stay untouched.
bool isParamsTree (const juce::MemoryBlock& block)
{
    if (block.getSize() <= 8 || memcmp (block.getData(), magic, 4) != 0)
        return false;

    const auto n = (int) juce::ByteOrder::littleEndianInt (static_cast<const char*> (block.getData()) + 4);
    if (n <= 0)
        return false;

    const auto text = juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8,
                                              juce::jmin ((int) block.getSize() - 8, n));
    const auto xml = juce::parseXML (text);
    return xml != nullptr && xml->getTagName().equalsIgnoreCase ("PARAMS");
}
} // namespace

TEST (PluginState, FreshBlockLayout)
{
    SabrelProcessor processor;
    juce::MemoryBlock block;
    block.append ("stale content that must go", 26);
    processor.getStateInformation (block);

    ASSERT_GT (block.getSize(), 9u);
    const auto* bytes = static_cast<const uint8_t*> (block.getData());
    EXPECT_EQ (memcmp (bytes, magic, 4), 0);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (uint32_t) block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    const auto text = blockText (block);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS>")) << text.substring (0, 80);
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));
    EXPECT_TRUE (text.endsWith ("</PARAMS>"));

    const auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumAttributes(), 0);
    EXPECT_EQ (xml->getNumChildElements(), numParams);
    for (auto* child : xml->getChildIterator())
    {
        EXPECT_EQ (child->getTagName(), "PARAM");
        EXPECT_TRUE (child->hasAttribute ("id"));
        EXPECT_TRUE (child->hasAttribute ("value"));
    }
    EXPECT_NEAR (xml->getChildByAttribute ("id", "b7_freq")->getDoubleAttribute ("value"),
                 defaultBandFrequency (7), 1.0e-3);
}

TEST (PluginState, RoundTripIntoSecondInstance)
{
    SabrelProcessor source;
    std::mt19937 rng (7);
    for (auto* param : source.getParameters())
        param->setValueNotifyingHost (std::uniform_real_distribution<float> (0.0f, 1.0f) (rng));
    source.apvts.state.setProperty ("uiScale", 1.25, nullptr);
    source.apvts.state.setProperty ("analyzerMode", 1, nullptr);

    juce::MemoryBlock block;
    source.getStateInformation (block);

    SabrelProcessor restored;
    restored.setStateInformation (block.getData(), (int) block.getSize());

    const auto expected = rawValues (source);
    const auto actual = rawValues (restored);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_FLOAT_EQ (actual[i], expected[i]) << source.getParameters()[(int) i]->getName (100);

    EXPECT_EQ ((double) restored.apvts.state.getProperty ("uiScale"), 1.25);
    EXPECT_EQ ((int) restored.apvts.state.getProperty ("analyzerMode"), 1);
}

TEST (PluginState, AcceptedAndRefusedBlocks)
{
    SabrelProcessor reference;
    setDistinctState (reference);
    juce::MemoryBlock good;
    reference.getStateInformation (good);
    const auto text = blockText (good);

    auto lowerRoot = text.replace ("<PARAMS>", "<params>").replace ("</PARAMS>", "</params>");
    auto otherRoot = text.replace ("<PARAMS>", "<STATE>").replace ("</PARAMS>", "</STATE>");

    // The length field says more than follows: read what is there.
    auto longLength = makeBlock (text, (uint32_t) text.getNumBytesAsUTF8() + 400);
    longLength.setSize (longLength.getSize() - 1); // no terminator either

    struct Case
    {
        const char* what;
        juce::MemoryBlock block;
        bool accepted;
    };

    const Case cases[] = {
        { "written block", good, true },
        { "lower-case root", makeBlock (lowerRoot), true },
        { "length past the data", longLength, true },
        { "other root", makeBlock (otherRoot), false },
        { "eight bytes", juce::MemoryBlock (good.getData(), 8), false },
        { "length zero", makeBlock (text, 0u), false },
        { "top bit of length set", makeBlock (text, 0x80000010u), false },
        { "not XML", makeBlock ("this is not xml at all"), false },
        { "cut short after the root tag", makeBlock (text.upToFirstOccurrenceOf ("<PARAMS", true, false)), false },
        { "cut short inside the root tag", makeBlock (text.upToFirstOccurrenceOf ("<PARAMS", true, false) + " a"), false },
        { "wrong magic", [&] { auto b = good; static_cast<char*> (b.getData())[0] = 'W'; return b; }(), false },
    };

    for (const auto& c : cases)
    {
        SabrelProcessor processor;
        const auto before = rawValues (processor);
        processor.setStateInformation (c.block.getData(), (int) c.block.getSize());
        EXPECT_EQ (rawValues (processor) == rawValues (reference), c.accepted) << c.what;
        if (! c.accepted)
            EXPECT_EQ (rawValues (processor), before) << c.what;
    }
}

TEST (PluginState, ReadsOnlyTheDataThatIsThere)
{
    // Six hundred bytes follow a header that claims a thousand.
    SabrelProcessor processor;
    auto xml = juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS><PARAM id=\"gainscale\" value=\"42\"/></PARAMS>");
    xml = xml.paddedRight (' ', 600);
    const auto block = makeBlock (xml, 1000u);
    ASSERT_EQ (block.getSize(), 8u + 600u + 1u);
    processor.setStateInformation (block.getData(), (int) block.getSize());
    EXPECT_FLOAT_EQ (processor.apvts.getRawParameterValue ("gainscale")->load(), 42.0f);
}

TEST (PluginState, HostileBlocksLeaveTheStateAlone)
{
    SabrelProcessor processor;
    setDistinctState (processor);
    juce::MemoryBlock good;
    processor.getStateInformation (good);
    auto baseline = rawValues (processor);
    const auto text = blockText (good);

    std::vector<juce::MemoryBlock> blocks;
    std::mt19937 rng (1234);
    const auto randomInt = [&rng] (int lo, int hi) { return std::uniform_int_distribution<int> (lo, hi) (rng); };

    for (int i = 0; i < 600; ++i) // truncated
        blocks.emplace_back (good.getData(), (size_t) randomInt (0, (int) good.getSize() - 1));

    for (int i = 0; i < 1500; ++i) // a few bytes flipped anywhere, header included
    {
        auto b = good;
        for (int k = randomInt (1, 4); --k >= 0;)
            static_cast<uint8_t*> (b.getData())[randomInt (0, (int) b.getSize() - 1)] ^= (uint8_t) randomInt (1, 255);
        blocks.push_back (b);
    }

    for (int i = 0; i < 800; ++i) // random bytes, some with a valid magic
    {
        juce::MemoryBlock b ((size_t) randomInt (0, 2000));
        for (size_t k = 0; k < b.getSize(); ++k)
            static_cast<uint8_t*> (b.getData())[k] = (uint8_t) randomInt (0, 255);
        if (i % 2 == 0 && b.getSize() >= 8)
        {
            memcpy (b.getData(), magic, 4);
            static_cast<uint8_t*> (b.getData())[7] &= 0x7f;
        }
        blocks.push_back (b);
    }

    // Crafted blocks that must all be refused; no oracle is needed (or safe to run) for these.
    std::vector<juce::MemoryBlock> refused;

    for (const char* root : { "STATE", "PARAMSX", "PARAM", "", "xml" })
        refused.push_back (makeBlock (text.replace ("PARAMS>", juce::String (root) + ">")));

    refused.push_back (makeBlock ("<PARAMS"));
    refused.push_back (makeBlock ("<PARAMS><PARAM id=\"b3_gain\" value=\"3\"/>"));
    refused.push_back (makeBlock ("\xff\xfe<\0P"));

    // Nesting far past anything a state holds, inside and outside a PARAMS root.
    for (const char* root : { "PARAMS", "STATE" })
    {
        juce::String deep;
        deep << "<" << root << ">" << juce::String::repeatedString ("<a>", 200000)
             << juce::String::repeatedString ("</a>", 200000) << "</" << root << ">";
        refused.push_back (makeBlock (deep));
    }

    // A huge attribute value on another root.
    refused.push_back (makeBlock ("<STATE big=\"" + juce::String::repeatedString ("x", 4 << 20) + "\"/>"));

    for (const auto& block : blocks)
    {
        processor.setStateInformation (block.getData(), (int) block.getSize());

        if (isParamsTree (block))
        {
            // A well-formed parameter tree was accepted: put the baseline back. The framework skips
            // sub-ulp changes when it restores, so the baseline is re-read rather than assumed.
            processor.setStateInformation (good.getData(), (int) good.getSize());
            baseline = rawValues (processor);
            continue;
        }

        ASSERT_EQ (rawValues (processor), baseline) << "block " << (&block - blocks.data());
    }

    for (const auto& block : refused)
    {
        processor.setStateInformation (block.getData(), (int) block.getSize());
        ASSERT_EQ (rawValues (processor), baseline) << "crafted block " << (&block - refused.data());
    }
}

TEST (PluginState, ProcessingInstructionsAreRefusedAndTheRestoreReturns)
{
    // The framework's parser loops for ever on a processing instruction followed by text inside
    // an element; the restore runs on a thread of its own, so that such a loop fails the test.
    SabrelProcessor reference;
    setDistinctState (reference);
    juce::MemoryBlock good;
    reference.getStateInformation (good);
    const auto text = blockText (good);
    const auto declaration = text.upToFirstOccurrenceOf ("<PARAMS>", false, false);
    const auto tree = text.fromFirstOccurrenceOf ("<PARAMS>", true, false);

    const std::pair<const char*, juce::MemoryBlock> cases[] = {
        { "32 bytes", makeBlock ("<PARAMS><?x?>y</PARAMS>") },
        { "between texts", makeBlock ("<r>a<?b?>c</r>") },
        { "inside a saved state", makeBlock (text.replace ("<PARAMS>", "<PARAMS><?x?>y")) },
        { "inside a PARAM", makeBlock (text.replace ("/>", "><?x?>y</PARAM>")) },
        { "after the declaration", makeBlock (declaration + "<?x?>" + tree) },
        { "a second declaration", makeBlock (declaration + declaration + tree) },
        { "after the root", makeBlock (text + "<?x?>y") },
    };

    for (const auto& [what, block] : cases)
    {
        SCOPED_TRACE (what);
        const auto processor = std::make_shared<SabrelProcessor>();
        const auto before = rawValues (*processor);

        ASSERT_TRUE (watchdog::returnsWithin ([processor, block = block] {
            processor->setStateInformation (block.getData(), (int) block.getSize());
        }));

        EXPECT_EQ (rawValues (*processor), before);
    }
}

TEST (PluginState, HugeAttributeInsideValidTreeIsHarmless)
{
    SabrelProcessor processor;
    const auto block = makeBlock ("<PARAMS note=\"" + juce::String::repeatedString ("y", 4 << 20)
                                  + "\"><PARAM id=\"gainscale\" value=\"12\"/></PARAMS>");
    processor.setStateInformation (block.getData(), (int) block.getSize());
    EXPECT_FLOAT_EQ (processor.apvts.getRawParameterValue ("gainscale")->load(), 12.0f);
}

TEST (PluginState, HostileBlocksLeaveEveryParameterFinite)
{
    // The block carries a state that differs from the restoring instance's, so that a refused
    // block (every value as before) and an accepted one (every value restored) can be told apart.
    SabrelProcessor reference;
    setDistinctState (reference);
    setRaw (reference, "b3_q", 2.0f);
    setRaw (reference, "input", 3.0f);
    setRaw (reference, "output", -2.0f);
    setRaw (reference, "b5_gain", 3.0f);
    juce::MemoryBlock good;
    reference.getStateInformation (good);
    const auto referenceText = blockText (good);
    const auto restored = rawValues (reference);

    const auto withValue = [&referenceText] (const char* id, const char* value) {
        auto xml = juce::parseXML (referenceText);
        xml->getChildByAttribute ("id", id)->setAttribute ("value", value);
        return makeBlock (xml->toString (juce::XmlElement::TextFormat().singleLine()));
    };

    struct Case
    {
        juce::String what;
        juce::MemoryBlock block;
        const char* nonFiniteId; // the one parameter that takes its default; none: the block is refused
    };

    const auto header = juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> ");
    std::vector<Case> cases = {
        { "self-referencing entity",
          makeBlock (header + "<!DOCTYPE PARAMS [x <!ENTITY a \"xx&a;\">]><PARAMS><PARAM id=\"gainscale\" value=\"&a;\"/></PARAMS>"),
          nullptr },
        { "nesting walked down by text",
          makeStateBlock ("<PARAMS>" + repeated ("<a>/>", 200000) + repeated ("</a>", 200000) + "</PARAMS>"), nullptr },
        { "invalid UTF-8 at the end", makeStateBlock (referenceText.toStdString() + "\xf0", {}, false), nullptr },
    };

    for (const char* id : { "b3_gain", "b3_q", "b23_tilt", "gainscale", "input", "output" })
        for (const char* value : { "nan", "inf", "-inf", "1e40" })
            cases.push_back ({ juce::String (id) + " = " + value, withValue (id, value), id });

    auto* const parameters = &reference.getParameters();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        ProcessorHarness harness;
        setDistinctState (harness.processor);
        harness.prepare (48000.0, 256);
        const auto before = rawValues (harness.processor);

        harness.processor.setStateInformation (c.block.getData(), (int) c.block.getSize());
        const auto after = rawValues (harness.processor);

        for (size_t i = 0; i < after.size(); ++i)
        {
            auto* parameter = dynamic_cast<juce::RangedAudioParameter*> ((*parameters)[(int) i]);
            ASSERT_TRUE (std::isfinite (after[i])) << parameter->paramID;

            if (c.nonFiniteId == nullptr)
                EXPECT_EQ (after[i], before[i]) << parameter->paramID;
            else if (parameter->paramID == c.nonFiniteId)
                EXPECT_EQ (after[i], parameter->convertFrom0to1 (parameter->getDefaultValue())) << parameter->paramID;
            else
                EXPECT_EQ (after[i], restored[i]) << parameter->paramID;
        }

        const auto out = harness.run ({ sine (1000.0, 48000.0, 4096, 0.5f), sine (1000.0, 48000.0, 4096, 0.5f) }, 256);
        for (const auto& channel : out)
            ASSERT_TRUE (std::all_of (channel.begin(), channel.end(), [] (float x) { return std::isfinite (x); }));

        juce::MemoryBlock saved;
        harness.processor.getStateInformation (saved);
        const auto savedText = blockText (saved);
        EXPECT_FALSE (savedText.containsIgnoreCase ("nan") || savedText.containsIgnoreCase ("inf"));
    }
}

TEST (PluginState, NonFiniteValueFromTheHostIsNeverSaved)
{
    // However a parameter came to hold it, a saved state carries its default instead.
    for (const float value : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity() })
    {
        SabrelProcessor processor;
        for (const char* id : { "b3_gain", "gainscale", "output" })
            processor.apvts.getParameter (id)->setValueNotifyingHost (value);

        juce::MemoryBlock block;
        processor.getStateInformation (block);
        const auto xml = juce::parseXML (blockText (block));
        ASSERT_NE (xml, nullptr);

        for (const char* id : { "b3_gain", "gainscale", "output" })
        {
            const auto saved = xml->getChildByAttribute ("id", id)->getStringAttribute ("value");
            EXPECT_TRUE (StateBlock::readsAsFiniteFloat (saved)) << id << " " << saved;
        }
    }
}
