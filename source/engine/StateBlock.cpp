#include "StateBlock.h"

namespace StateBlock
{
bool nestingWithin (const juce::String& text, int maxDepth)
{
    int depth = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;

        if (c == '<')
        {
            const auto next = p[1];

            if (next == '/')
                depth = juce::jmax (0, depth - 1);
            else if (next != '?' && next != '!' && ++depth > maxDepth)
                return false;
        }
        else if (c == '/' && p[1] == '>')
        {
            depth = juce::jmax (0, depth - 1);
        }
    }

    return true;
}

bool endsWithClosedElement (const juce::String& text)
{
    const auto trimmed = text.trimEnd();

    if (trimmed.endsWith ("/>"))
        return true;

    return trimmed.endsWith (">") && trimmed.lastIndexOf ("</") >= 0;
}

std::unique_ptr<juce::XmlElement> readXml (const void* data, int sizeInBytes)
{
    static constexpr uint32_t magic = 0x21324356; // "VC2!"

    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != magic)
        return {};

    const auto* bytes = static_cast<const char*> (data);
    const auto length = (int) juce::ByteOrder::littleEndianInt (bytes + 4);

    if (length <= 0)
        return {};

    const auto text = juce::String::fromUTF8 (bytes + 8, juce::jmin (sizeInBytes - 8, length));

    if (! nestingWithin (text, maxNestingDepth) || ! endsWithClosedElement (text))
        return {};

    return juce::parseXML (text);
}
} // namespace StateBlock
