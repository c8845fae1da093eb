#include "support/ParserWatch.h"
#include "xml/PlainXml.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <random>
#include <string>
#include <vector>

namespace
{
constexpr int depthLimit = 64;

bool plain (const std::string& text, int maxDepth = depthLimit)
{
    return PlainXml::isPlainMarkup (text.data(), text.size(), maxDepth);
}

bool validUtf8 (const std::string& text)
{
    return PlainXml::isValidUtf8 (text.data(), text.size());
}

std::string repeated (const std::string& s, int times)
{
    return juce::String::repeatedString (juce::String (s), times).toStdString();
}

// Cases of a text and whether it must pass.
struct TextCase
{
    const char* what;
    std::string text;
    bool passes;
};
} // namespace

TEST (PlainXml, NestingLimit)
{
    const auto nested = [] (int depth) { return repeated ("<a>", depth) + repeated ("</a>", depth); };

    const TextCase cases[] = {
        { "a saved state", "<?xml version=\"1.0\"?> <PARAMS><PARAM id=\"x\" value=\"1\"/></PARAMS>", true },
        { "at the limit", nested (depthLimit), true },
        { "past the limit", nested (depthLimit + 1), false },
        { "siblings do not add up", "<r>" + repeated ("<p/>", 10000) + "</r>", true },
        { "comments are not elements", "<!-- c --><r><!-- d --></r>", true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (plain (c.text), c.passes) << c.what;
}

TEST (PlainXml, NestingCannotBeLoweredByWhatIsNotMarkup)
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

TEST (PlainXml, OnlyTheXmlDeclarationAtTheStart)
{
    // The framework's parser skips a processing instruction wherever it skips white space, and
    // then, inside an element, reads the text after it from before it again, for ever.
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::string bom = "\xef\xbb\xbf";

    const TextCase cases[] = {
        { "the declaration as a state block starts", declaration + " <PARAMS/>", true },
        { "the declaration as a settings file starts", declaration + "\n\n<PROPERTIES>\n</PROPERTIES>\n", true },
        { "no declaration", "<PARAMS/>", true },
        { "byte order mark before the declaration", bom + declaration + "<r/>", true },
        { "white space before the declaration", " \r\n\t" + declaration + "<r/>", true },
        { "byte order mark and white space", bom + "\n" + declaration + "<r/>", true },
        { "tab and line break inside the declaration", "<?xml\tversion=\"1.0\"\n?><r/>", true },
        { "comment after the declaration", declaration + "<!-- c --><r/>", true },
        { "\"<?\" and \"?>\" in comments, CDATA and references",
          "<r><!-- <?x?> -->a<![CDATA[<?x?>]]>b&lt;?x?&gt;c</r>", true },
        { "\"?>\" in text and values", "<r a=\"?>\">?></r>", true },

        { "inside an element, before text", "<PARAMS><?x?>y</PARAMS>", false },
        { "between texts", "<r>a<?b?>c</r>", false },
        { "after white space, before text", "<r> <?b?>c</r>", false },
        { "inside an element, before an element", "<r><?x?><a/></r>", false },
        { "inside an element, alone", "<r><?x?></r>", false },
        { "before the root", "<?x?><r/>", false },
        { "after the declaration", declaration + "<?x?><r/>", false },
        { "after the root", "<r/><?x?>", false },
        { "a second declaration", declaration + declaration + "<r/>", false },
        { "the declaration inside an element", "<r>" + declaration + "</r>", false },
        { "the declaration after a comment", "<!-- c -->" + declaration + "<r/>", false },
        { "the declaration after text", "x" + declaration + "<r/>", false },
        { "the declaration in upper case", "<?XML version=\"1.0\"?><r/>", false },
        { "the declaration in mixed case", "<?Xml version=\"1.0\"?><r/>", false },
        { "a name that begins with xml", "<?xml-stylesheet href=\"a\"?><r/>", false },
        { "a declaration without content", "<?xml?><r/>", false },
        { "an empty instruction", "<r><?" "?>y</r>", false },
        { "unterminated", "<r><?x</r>", false },
        { "unterminated declaration", "<?xml version=\"1.0\"<r/>", false },
        { "\"<?\" at the very end", "<r/><?", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (plain (c.text), c.passes) << c.what;
}

TEST (PlainXml, TheParserReturnsOnWhateverPasses)
{
    // Pieces of every kind of markup, well placed or not, joined at random. Whatever passes goes
    // to the framework's parser, which must return.
    const std::vector<std::string> pieces = {
        "<?xml version=\"1.0\"?>", "<?x?>", "<?" "?>", "<?", "?>", "<r>", "</r>", "<a v=\"1\">", "</a>",
        "<b/>", "text", " ", "\r\n", "\t", "<!-- c -->", "<!--", "-->", "<![CDATA[x]]>", "<![CDATA[",
        "]]>", "&amp;", "&#60;", "&lt;?x?&gt;", "&", "<", ">", "/>", "\xef\xbb\xbf", "<!DOCTYPE r>",
    };

    std::mt19937 random (18);
    std::vector<juce::String> passed;

    for (int i = 0; i < 20000; ++i)
    {
        std::string text;

        for (auto n = std::uniform_int_distribution<int> (1, 10) (random); --n >= 0;)
            text += pieces[std::uniform_int_distribution<size_t> (0, pieces.size() - 1) (random)];

        if (plain (text))
            passed.push_back (juce::String::fromUTF8 (text.data(), (int) text.size()));
    }

    ASSERT_FALSE (passed.empty());
    const auto hang = watchdog::textTheParserHangsOn (passed);
    ASSERT_FALSE (hang.has_value()) << "the parser loops on: " << *hang;
}

TEST (PlainXml, OnlyPredefinedEntitiesAndCharacterReferences)
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
        { "self-referencing entity", "<!DOCTYPE PARAMS [x <!ENTITY a \"xx&a;\">]>" + inValue ("&a;"), false },
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

TEST (PlainXml, Utf8MustBeWellFormed)
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
