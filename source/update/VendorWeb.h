#pragma once

#include <juce_core/juce_core.h>

// The vendor's web presence. The one domain forms the update endpoint, the home page and the
// addresses the editor shows or opens; it is a reserved example domain until a real one exists.
namespace vendorweb
{
inline constexpr const char* domain = "kovalin.example";

inline juce::String homePageUrl() { return juce::String ("https://") + domain + "/"; }
inline juce::String manualPageUrl() { return juce::String ("https://") + domain + "/manual/"; }
inline juce::String updateEndpointUrl() { return juce::String ("https://") + domain + "/sabrel/latest.php"; }
} // namespace vendorweb
