#include "KitPalette.h"

namespace kov
{
const KitPalette& KitPalette::standard()
{
    static const KitPalette palette;
    return palette;
}
} // namespace kov
