#include "ModulePinning.h"

#include <juce_core/juce_core.h>

#include <atomic>

#if JUCE_LINUX || JUCE_BSD || JUCE_MAC
 #include <dlfcn.h>
#endif

namespace modulepin
{
namespace
{
std::atomic<bool> pinRequested { false };
} // namespace

void keepModuleLoaded()
{
    pinRequested = true;

   #if JUCE_LINUX || JUCE_BSD || JUCE_MAC
    Dl_info info {};

    if (dladdr (reinterpret_cast<const void*> (&keepModuleLoaded), &info) != 0 && info.dli_fname != nullptr)
        dlopen (info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
   #endif
}

bool wasModuleKeptLoaded()
{
    return pinRequested;
}
} // namespace modulepin
