#include "PlainXml.h"

#include <juce_core/juce_core.h>

#include <cstdint>
#include <cstring>

namespace PlainXml
{
namespace
{
bool isContinuation (uint8_t byte) { return (byte & 0xc0) == 0x80; }

// Byte-wise over [pos, end): the text may be anything, so nothing here relies on terminators
// or on a lead byte telling the truth about the bytes that follow.
class MarkupScanner
{
public:
    MarkupScanner (const char* text, size_t numBytes) : pos (text), end (text + numBytes) {}

    bool scan (int maxDepth)
    {
        if (! skipDeclaration())
            return false;

        int depth = 0;

        while (pos < end)
        {
            if (*pos == '&')
            {
                if (! skipReference())
                    return false;

                continue;
            }

            if (*pos != '<')
            {
                ++pos;
                continue;
            }

            if (skipIfNext ("<!--"))
            {
                if (! skipPast ("-->"))
                    return false;
            }
            else if (skipIfNext ("<![CDATA["))
            {
                if (! skipPast ("]]>"))
                    return false;
            }
            else if (startsWith ("<?"))
            {
                // Inside an element, the parser skips a processing instruction as it skips white
                // space, then reads the text that follows from before it again, for ever.
                return false;
            }
            else if (startsWith ("<!"))
            {
                return false; // a document type, entity or other declaration
            }
            else if (skipIfNext ("</"))
            {
                // The parser closes at the first '>', whatever comes before it.
                if (! skipPast (">"))
                    return false;

                depth = juce::jmax (0, depth - 1);
            }
            else
            {
                ++pos;

                if (++depth > maxDepth)
                    return false;

                bool selfClosing = false;

                if (! skipTagBody (selfClosing))
                    return false;

                if (selfClosing)
                    --depth;
            }
        }

        return true;
    }

private:
    // The XML declaration "<?xml ...?>" is the one processing instruction allowed: first in the
    // document, after no more than a byte order mark (which the framework's file reader skips)
    // and white space (which its parser skips). Without one, the scan starts at the beginning.
    bool skipDeclaration()
    {
        const auto start = pos;
        skipIfNext ("\xef\xbb\xbf");
        skipSpace();

        if (skipIfNext ("<?xml") && pos < end && isSpace (*pos))
            return skipPast ("?>");

        pos = start;
        return true;
    }

    bool startsWith (const char* s) const
    {
        const auto length = std::strlen (s);
        return (size_t) (end - pos) >= length && std::memcmp (pos, s, length) == 0;
    }

    bool skipIfNext (const char* s)
    {
        if (! startsWith (s))
            return false;

        pos += std::strlen (s);
        return true;
    }

    bool skipPast (const char* terminator)
    {
        for (; pos < end; ++pos)
            if (skipIfNext (terminator))
                return true;

        return false;
    }

    static bool isNameChar (char c)
    {
        // ASCII only: the parser's notion of a letter beyond ASCII depends on the locale.
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '_' || c == '-' || c == ':' || c == '.';
    }

    bool skipName()
    {
        const auto start = pos;

        while (pos < end && isNameChar (*pos))
            ++pos;

        return pos != start;
    }

    static bool isSpace (char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipSpace()
    {
        while (pos < end && isSpace (*pos))
            ++pos;
    }

    // After "<": the tag name, then name="value" attributes, then ">" or "/>". Anything else
    // (a quote without a name, a '<' inside the tag, a value without quotes) refuses the text,
    // as the parser would resume reading the rest of such a tag as content.
    bool skipTagBody (bool& selfClosing)
    {
        if (! skipName())
            return false;

        for (;;)
        {
            skipSpace();

            if (skipIfNext ("/>"))
            {
                selfClosing = true;
                return true;
            }

            if (skipIfNext (">"))
                return true;

            if (! skipName())
                return false;

            skipSpace();

            if (! skipIfNext ("="))
                return false;

            skipSpace();

            if (pos == end || (*pos != '"' && *pos != '\''))
                return false;

            const auto quote = *pos++;

            while (pos < end && *pos != quote)
            {
                if (*pos == '<')
                    return false;

                if (*pos == '&')
                {
                    if (! skipReference())
                        return false;
                }
                else
                {
                    ++pos;
                }
            }

            if (pos == end)
                return false;

            ++pos;
        }
    }

    // "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", or "&#N;" / "&#xH;" naming a real character.
    bool skipReference()
    {
        for (const char* entity : { "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" })
            if (skipIfNext (entity))
                return true;

        if (! skipIfNext ("&#"))
            return false;

        const bool hex = skipIfNext ("x");
        uint32_t code = 0;
        int digits = 0;

        for (; pos < end && *pos != ';'; ++pos)
        {
            const auto value = juce::CharacterFunctions::getHexDigitValue ((juce::juce_wchar) (uint8_t) *pos);

            if (value < 0 || (! hex && value > 9) || ++digits > 7)
                return false;

            code = code * (hex ? 16u : 10u) + (uint32_t) value;
        }

        if (pos == end || digits == 0)
            return false;

        ++pos;
        return code != 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
    }

    const char* pos;
    const char* const end;
};
} // namespace

bool isValidUtf8 (const char* text, size_t numBytes)
{
    const auto* p = reinterpret_cast<const uint8_t*> (text);
    const auto* const end = p + numBytes;

    while (p < end)
    {
        const auto lead = *p++;

        if (lead < 0x80)
            continue;

        int extra = 0;
        uint32_t code = 0, lowest = 0;

        if ((lead & 0xe0) == 0xc0)      { extra = 1; code = lead & 0x1fu; lowest = 0x80; }
        else if ((lead & 0xf0) == 0xe0) { extra = 2; code = lead & 0x0fu; lowest = 0x800; }
        else if ((lead & 0xf8) == 0xf0) { extra = 3; code = lead & 0x07u; lowest = 0x10000; }
        else                            return false;

        if (end - p < extra)
            return false;

        for (int i = 0; i < extra; ++i)
        {
            if (! isContinuation (p[i]))
                return false;

            code = (code << 6) | (p[i] & 0x3fu);
        }

        p += extra;

        if (code < lowest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
    }

    return true;
}

bool isPlainMarkup (const char* text, size_t numBytes, int maxDepth)
{
    return MarkupScanner (text, numBytes).scan (maxDepth);
}
} // namespace PlainXml
