#include "engine/StateBlock.h"
#include "engine/StateBlockBytes.h"

#include <gtest/gtest.h>

namespace
{
bool plain (const std::string& text, int maxDepth = StateBlock::maxNestingDepth)
{
    return StateBlock::isPlainMarkup (text.data(), text.size(), maxDepth);
}

bool validUtf8 (const std::string& text)
{
    return StateBlock::isValidUtf8 (text.data(), text.size());
}

std::unique_ptr<juce::XmlElement> read (const juce::MemoryBlock& block)
{
    return StateBlock::readXml (block.getData(), (int) block.getSize());
}

std::string nested (int depth)
{
    return repeated ("<a>", depth) + repeated ("</a>", depth);
}

// Cases of a text and whether it must pass.
struct TextCase
{
    const char* what;
    std::string text;
    bool passes;
};
} // namespace

TEST (StateBlock, NestingLimit)
{
    const auto limit = StateBlock::maxNestingDepth;
    const TextCase cases[] = {
        { "a saved state", "<?xml version=\"1.0\"?> <PARAMS><PARAM id=\"x\" value=\"1\"/></PARAMS>", true },
        { "at the limit", nested (limit), true },
        { "past the limit", nested (limit + 1), false },
        { "siblings do not add up", "<r>" + repeated ("<p/>", 10000) + "</r>", true },
        { "comments and processing instructions are not elements", "<!-- c --><?pi?><r/>", true },
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ (plain (c.text, limit), c.passes) << c.what;
        EXPECT_EQ (read (makeStateBlock (c.text)) != nullptr, c.passes) << c.what;
    }
}

TEST (StateBlock, NestingCannotBeLoweredByWhatIsNotMarkup)
{
    // Each would lower a count taken at every "/>" or every quote; the parser opens all 200000.
    const auto deep = [] (const std::string& element) {
        return "<PARAMS>" + repeated (element, 200000) + repeated ("</a>", 200000) + "</PARAMS>";
    };

    const TextCase cases[] = {
        { "\"/>\" in text", deep ("<a>/>"), false },
        { "\"/>\" in an attribute value", deep ("<a v=\"/>\">"), false },
        { "\"/>\" in a comment", deep ("<a><!-- /> -->"), false },
        { "\"/>\" in CDATA", deep ("<a><![CDATA[/>]]>"), false },
        { "closing tags in text", deep ("<a>&lt;/a>"), false },
        // The parser stops reading a tag at a stray quote and reads on as content, so a quoted
        // run outside an attribute would hide elements from a scan that skipped it.
        { "quote without an attribute", "<PARAMS><a \"" + repeated ("<a>", 200000) + "\"/></PARAMS>", false },
        { "value without quotes", "<PARAMS><a v=x " + repeated ("<a>", 10) + "/></PARAMS>", false },
        { "'<' in an attribute value", "<PARAMS><a v=\"<a>\"/></PARAMS>", false },
        { "space before a tag name", "<PARAMS>< a/></PARAMS>", false },
        { "a tag name beyond ASCII", "<PARAMS><a\xc3\xa9 v=\"1\"/></PARAMS>", false },
        { "unclosed comment", "<PARAMS><!-- </PARAMS>", false },
        { "unclosed tag", "<PARAMS><PARAM id=\"x\"", false },
        { "unclosed value", "<PARAMS><PARAM id=\"x/></PARAMS>", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (plain (c.text), c.passes) << c.what;
}

TEST (StateBlock, OnlyPredefinedEntitiesAndCharacterReferences)
{
    const auto inValue = [] (const std::string& v) { return "<PARAMS><PARAM id=\"x\" value=\"" + v + "\"/></PARAMS>"; };
    const auto inText = [] (const std::string& t) { return "<PARAMS>" + t + "</PARAMS>"; };

    const TextCase cases[] = {
        { "the five in a value", inValue ("&amp;&lt;&gt;&quot;&apos;"), true },
        { "the five in text", inText ("&amp;&lt;&gt;&quot;&apos;"), true },
        { "decimal reference", inValue ("&#9;&#65;&#128512;"), true },
        { "hex reference", inValue ("&#x41;&#X41;&#x10FFFF;"), false }, // upper-case X is not XML
        { "hex reference, lower case x", inValue ("&#x41;&#x10FFFF;"), true },
        { "single quotes", "<PARAMS><PARAM id='x' value='1'/></PARAMS>", true },
        { "self-referencing entity", "<!DOCTYPE PARAMS [<!ENTITY a \"xx&a;\">]>" + inValue ("&a;"), false },
        { "document type alone", "<!DOCTYPE PARAMS>" + inValue ("1"), false },
        { "entity declaration inside", inText ("<!ENTITY a \"b\">"), false },
        { "undeclared entity", inValue ("&a;"), false },
        { "entity in text", inText ("&a;"), false },
        { "upper-case entity", inValue ("&AMP;"), false },
        { "bare ampersand", inValue ("a & b"), false },
        { "no semicolon", inValue ("&amp"), false },
        { "reference to zero", inValue ("&#0;"), false },
        { "reference past Unicode", inValue ("&#x110000;"), false },
        { "reference to a surrogate", inValue ("&#xD800;"), false },
        { "reference without digits", inValue ("&#;"), false },
        { "hex reference without digits", inValue ("&#x;"), false },
        { "too many digits", inValue ("&#00000065;"), false },
        { "letters in a decimal reference", inValue ("&#6a;"), false },
        { "ampersand at the very end", inValue ("1") + "&", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (plain (c.text), c.passes) << c.what;
}

TEST (StateBlock, Utf8MustBeWellFormed)
{
    const TextCase cases[] = {
        { "ASCII", "<PARAMS/>", true },
        { "two, three and four bytes", "\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", true },
        { "highest code point", "\xf4\x8f\xbf\xbf", true },
        { "lead byte at the end", "<PARAMS/>\xf0", false },
        { "lead byte and one continuation at the end", "<PARAMS/>\xe2\x82", false },
        { "stray continuation", "\x80", false },
        { "lead without continuation", "\xc3(", false },
        { "overlong slash", "\xc0\xaf", false },
        { "overlong three bytes", "\xe0\x80\xaf", false },
        { "surrogate", "\xed\xa0\x80", false },
        { "past U+10FFFF", "\xf4\x90\x80\x80", false },
        { "never valid", "\xff", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (validUtf8 (c.text), c.passes) << c.what;
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
          makeStateBlock (header + "<!DOCTYPE PARAMS [<!ENTITY a \"xx&a;\">]><PARAMS><PARAM id=\"gainscale\" value=\"&a;\"/></PARAMS>") },
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
