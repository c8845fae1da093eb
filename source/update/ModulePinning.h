#pragma once

// A module that leaves its code reachable from outside (a thread still running in it, a
// callback registered with a library) must not be unmapped when the host unloads it. Pinning
// keeps it mapped until the process ends, whatever the host unloads.
namespace modulepin
{
// Pins the module holding this code. Cheap, and harmless when repeated.
void keepModuleLoaded();

// True once keepModuleLoaded has run in this process. In a program rather than a loadable
// module the loader has nothing to pin, but the request is recorded all the same.
bool wasModuleKeptLoaded();
} // namespace modulepin
