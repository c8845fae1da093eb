#include "engine/StateBlock.h"
#include "engine/StateBlockBytes.h"

#include <gtest/gtest.h>

namespace
{
std::unique_ptr<juce::XmlElement> read (const juce::MemoryBlock& block)
{
    return StateBlock::readXml (block.getData(), (int) block.getSize());
}

std::string nested (int depth)
{
    return repeated ("<a>", depth) + repeated ("</a>", depth);
}
} // namespace

TEST (StateBlock, NestingLimit)
{
    // The markup rules themselves are in PlainXmlTests; here, the limit a block is read with.
    const auto limit = StateBlock::maxNestingDepth;
    EXPECT_NE (read (makeStateBlock (nested (limit))), nullptr);
    EXPECT_EQ (read (makeStateBlock (nested (limit + 1))), nullptr);
}

TEST (StateBlock, DocumentMustEndWithAClosedElement)
{
    const std::pair<const char*, bool> cases[] = {
        { "<PARAMS/>", true },
        { "<PARAMS></PARAMS>", true },
        { "<PARAMS a=\"1\"><PARAM id=\"x\" value=\"1\"/></PARAMS>  \n", true },
        { "<PARAMS", false },
        { "<PARAMS a=\"1\"", false },
        { "<PARAMS><PARAM id=\"x\" value=\"1\"/", false },
        { "", false },
    };

    for (const auto& [text, closed] : cases)
        EXPECT_EQ (StateBlock::endsWithClosedElement (text), closed) << text;
}

TEST (StateBlock, HostileBlocksAreRefusedBeforeTheParser)
{
    const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";
    const std::string state = "<PARAMS><PARAM id=\"gainscale\" value=\"42\"/></PARAMS>";

    struct Case
    {
        const char* what;
        juce::MemoryBlock block;
    };

    const Case cases[] = {
        { "self-referencing entity",
          makeStateBlock (header + "<!DOCTYPE PARAMS [x <!ENTITY a \"xx&a;\">]><PARAMS><PARAM id=\"gainscale\" value=\"&a;\"/></PARAMS>") },
        { "nesting walked down by text", makeStateBlock ("<PARAMS>" + repeated ("<a>/>", 200000) + repeated ("</a>", 200000) + "</PARAMS>") },
        { "lead byte at the end", makeStateBlock (header + state + "\xf0") },
        { "lead byte at the end, no terminator", makeStateBlock (header + state + "\xf0", {}, false) },
        { "lead byte at the end, length past the data", makeStateBlock (header + state + "\xf0", 5000u, false) },
        { "lead byte before the terminator inside the length", makeStateBlock (header + state + "\xf0\x9f", (uint32_t) (header.size() + state.size() + 4)) },
    };

    for (const auto& c : cases)
        EXPECT_EQ (read (c.block), nullptr) << c.what;

    // A zero byte ends the text: what comes after it is not looked at.
    auto cut = read (makeStateBlock (header + state + std::string (1, '\0') + "\xff<!DOCTYPE"));
    ASSERT_NE (cut, nullptr);
    EXPECT_EQ (cut->getChildByAttribute ("id", "gainscale")->getStringAttribute ("value"), "42");
}

TEST (StateBlock, WhatTheFrameworkWritesIsReadBack)
{
    // Every character the writer has to escape, in attributes of the root and of a child, and in text.
    const auto awkward = juce::String::fromUTF8 ("<a & b> \"q\" 'a' \t\r\n \xc3\xa9 \xf0\x9f\x98\x80 \x01");
    juce::XmlElement state ("PARAMS");
    state.setAttribute ("note", awkward);
    auto* child = state.createNewChildElement ("PARAM");
    child->setAttribute ("id", "x");
    child->setAttribute ("value", awkward);
    state.addTextElement ("text & <markup> \"quoted\"");

    const auto text = state.toString (juce::XmlElement::TextFormat().singleLine());
    const auto restored = read (makeStateBlock (text.toStdString()));

    ASSERT_NE (restored, nullptr);
    EXPECT_TRUE (restored->isEquivalentTo (&state, false));
}

TEST (StateBlock, NonFiniteValuesTakeTheParameterDefault)
{
    const auto defaults = [] (const juce::String& id) -> std::optional<float> {
        if (id == "gain")
            return 0.0f;
        if (id == "q")
            return 0.707f;
        return std::nullopt;
    };

    const std::pair<const char*, bool> values[] = {
        { "nan", false }, { "NaN", false }, { "-nan", false }, { "inf", false }, { "-inf", false },
        { "Infinity", false }, { "1e40", false }, { "-1e40", false }, { "1e308", false }, { "1e999", false },
        { "12.5", true }, { "-0", true }, { "3.4e38", true }, { "", true }, { "not a number", true },
    };

    for (const auto& [value, kept] : values)
    {
        SCOPED_TRACE (value);
        EXPECT_EQ (StateBlock::readsAsFiniteFloat (value), kept);

        juce::XmlElement state ("PARAMS");
        state.setAttribute ("uiScale", value);
        state.setAttribute ("analyzerMode", value);
        for (const char* id : { "gain", "q", "unknown" })
        {
            auto* child = state.createNewChildElement ("PARAM");
            child->setAttribute ("id", id);
            child->setAttribute ("value", value);
        }

        StateBlock::replaceNonFiniteValues (state, defaults);

        const auto valueOf = [&state] (const char* id) {
            auto* child = state.getChildByAttribute ("id", id);
            return child != nullptr ? child->getStringAttribute ("value", "(none)") : juce::String ("(removed)");
        };

        if (kept)
        {
            for (const char* id : { "gain", "q", "unknown" })
                EXPECT_EQ (valueOf (id), juce::String (value)) << id;
        }
        else
        {
            EXPECT_EQ (valueOf ("gain").getDoubleValue(), 0.0);
            EXPECT_EQ (valueOf ("q").getDoubleValue(), (double) 0.707f);
            EXPECT_EQ (valueOf ("unknown"), juce::String ("(removed)"));
        }

        EXPECT_EQ (state.hasAttribute ("uiScale"), kept);
        EXPECT_EQ (state.hasAttribute ("analyzerMode"), kept);
    }
}
