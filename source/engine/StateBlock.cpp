#include "StateBlock.h"

namespace StateBlock
{
bool nestingWithin (const char* text, size_t length, int maxDepth)
{
    int depth = 0;

    for (size_t i = 0; i < length && text[i] != 0; ++i)
    {
        if (text[i] == '<')
        {
            const char next = i + 1 < length ? text[i + 1] : 0;

            if (next == '/')
                depth = depth > 0 ? depth - 1 : 0;
            else if (next != '?' && next != '!' && ++depth > maxDepth)
                return false;
        }
        else if (text[i] == '/' && i + 1 < length && text[i + 1] == '>')
        {
            depth = depth > 0 ? depth - 1 : 0;
        }
    }

    return true;
}
} // namespace StateBlock
