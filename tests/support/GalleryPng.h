#pragma once

#include <juce_graphics/juce_graphics.h>

// A picture for the gallery: written as PNG into the test output's gallery folder, replacing
// the one of the last run. Returns the file, or an empty File when it could not be written.
inline juce::File writeGalleryPng (const juce::Image& image, const juce::String& fileName)
{
    const auto folder = juce::File (SABREL_TEST_OUTPUT_DIR).getChildFile ("gallery");
    if (! folder.createDirectory())
        return {};

    const auto file = folder.getChildFile (fileName);
    file.deleteFile();
    juce::FileOutputStream out (file);
    if (! out.openedOk() || ! juce::PNGImageFormat().writeImageToStream (image, out))
        return {};
    return file;
}
