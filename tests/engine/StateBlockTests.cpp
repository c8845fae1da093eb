#include "engine/StateBlock.h"

#include <gtest/gtest.h>

TEST (StateBlock, NestingLimit)
{
    const auto nested = [] (int depth) {
        return juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth);
    };

    EXPECT_TRUE (StateBlock::nestingWithin ("<?xml version=\"1.0\"?> <PARAMS><PARAM id=\"x\" value=\"1\"/></PARAMS>", 2));
    EXPECT_TRUE (StateBlock::nestingWithin (nested (256), 256));
    EXPECT_FALSE (StateBlock::nestingWithin (nested (257), 256));
    // Siblings do not add up.
    EXPECT_TRUE (StateBlock::nestingWithin ("<r>" + juce::String::repeatedString ("<p/>", 10000) + "</r>", 2));
    // Comments and declarations are not elements.
    EXPECT_TRUE (StateBlock::nestingWithin ("<!-- c --><?pi?><r/>", 1));
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
