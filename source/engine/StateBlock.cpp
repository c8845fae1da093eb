#include "StateBlock.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace StateBlock
{
namespace
{
constexpr uint32_t magic = 0x21324356; // "VC2!"
} // namespace

bool endsWithClosedElement (const juce::String& text)
{
    const auto trimmed = text.trimEnd();

    if (trimmed.endsWith ("/>"))
        return true;

    return trimmed.endsWith (">") && trimmed.lastIndexOf ("</") >= 0;
}

std::unique_ptr<juce::XmlElement> readXml (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != magic)
        return {};

    const auto* bytes = static_cast<const char*> (data);
    const auto length = (int) juce::ByteOrder::littleEndianInt (bytes + 4);

    if (length <= 0)
        return {};

    const auto* text = bytes + 8;
    const auto available = (size_t) juce::jmin (sizeInBytes - 8, length);
    const auto* zero = static_cast<const char*> (std::memchr (text, 0, available));
    const auto numBytes = zero != nullptr ? (size_t) (zero - text) : available;

    if (numBytes == 0 || ! PlainXml::isValidUtf8 (text, numBytes)
        || ! PlainXml::isPlainMarkup (text, numBytes, maxNestingDepth))
        return {};

    const auto xmlText = juce::String::fromUTF8 (text, (int) numBytes);

    if (! endsWithClosedElement (xmlText))
        return {};

    return juce::parseXML (xmlText);
}

bool readsAsFiniteFloat (const juce::String& text)
{
    // The parameter state converts a stored value text to double, then to float.
    const auto value = text.getDoubleValue();
    return std::isfinite (value) && std::abs (value) <= (double) std::numeric_limits<float>::max();
}

void replaceNonFiniteValues (juce::XmlElement& state, const DefaultValueLookup& defaultFor)
{
    for (const char* viewProperty : { "uiScale", "analyzerMode" })
        if (state.hasAttribute (viewProperty) && ! readsAsFiniteFloat (state.getStringAttribute (viewProperty)))
            state.removeAttribute (viewProperty);

    for (auto* child = state.getFirstChildElement(); child != nullptr;)
    {
        auto* next = child->getNextElement();

        if (child->hasTagName ("PARAM") && child->hasAttribute ("value")
            && ! readsAsFiniteFloat (child->getStringAttribute ("value")))
        {
            if (const auto fallback = defaultFor (child->getStringAttribute ("id")))
                child->setAttribute ("value", (double) *fallback);
            else
                state.removeChildElement (child, true);
        }

        child = next;
    }
}
} // namespace StateBlock
