#pragma once

#include <cstddef>

// Checks made on XML text from outside (a host's state block, a settings file) before the
// framework's parser sees it. That parser recurses once per element and expands entities a
// document type declares, so nesting or a self-referencing entity can exhaust the stack.
namespace PlainXml
{
// True when the bytes are well-formed UTF-8: no stray or missing continuation bytes, no
// overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8 (const char* text, size_t numBytes);

// True when the text keeps to the plain XML that the framework writes, so that its parser can
// neither recurse deeply, expand anything nor loop: elements nest no deeper than maxDepth; tags
// are a name and name="value" attributes; the only references are the five predefined entities
// and character references of a real character; no document type or entity declarations; no
// processing instruction but the XML declaration, first in the text (after at most a byte order
// mark and white space, which the parser skips), since the parser loops on one inside an
// element. Depth is counted on the markup alone, so nothing inside text, attribute values,
// comments or CDATA can lower it. Stricter than XML, never looser.
bool isPlainMarkup (const char* text, size_t numBytes, int maxDepth);
} // namespace PlainXml
