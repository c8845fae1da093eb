#include "ScreenCapture.h"

#include <cstdlib>

namespace
{
// The XWD header: 25 big-endian 32-bit fields, followed by the window name.
enum XwdField
{
    headerSize = 0,
    pixmapDepth = 3,
    pixmapWidth = 4,
    pixmapHeight = 5,
    byteOrder = 7,
    bitsPerPixel = 11,
    bytesPerLine = 12,
    redMask = 14,
    greenMask = 15,
    blueMask = 16,
    colourCount = 19,
    fieldCount = 25
};

juce::uint32 field (const juce::MemoryBlock& file, int index)
{
    return juce::ByteOrder::bigEndianInt (static_cast<const char*> (file.getData()) + 4 * index);
}

juce::File screenFile()
{
    const char* displayFile = std::getenv ("SABREL_TEST_DISPLAY_FILE");
    if (displayFile == nullptr)
        return {};

    return juce::File (displayFile).getSiblingFile ("Xvfb_screen0");
}
} // namespace

juce::Image captureTestScreen (juce::Rectangle<int> area)
{
    const auto file = screenFile();
    juce::MemoryBlock xwd;
    if (file == juce::File() || ! file.loadFileAsData (xwd) || xwd.getSize() < 4 * fieldCount)
        return {};

    // The server's framebuffer is 24-bit colour in 32-bit little-endian pixels.
    if (field (xwd, pixmapDepth) != 24 || field (xwd, bitsPerPixel) != 32 || field (xwd, byteOrder) != 0
        || field (xwd, redMask) != 0xff0000 || field (xwd, greenMask) != 0xff00 || field (xwd, blueMask) != 0xff)
        return {};

    const auto width = (int) field (xwd, pixmapWidth);
    const auto height = (int) field (xwd, pixmapHeight);
    const auto stride = (size_t) field (xwd, bytesPerLine);
    const auto pixelsAt = (size_t) field (xwd, headerSize) + 12 * (size_t) field (xwd, colourCount);

    if (! juce::Rectangle<int> (width, height).contains (area) || area.isEmpty()
        || pixelsAt + stride * (size_t) height > xwd.getSize())
        return {};

    juce::Image image (juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    const juce::Image::BitmapData out (image, juce::Image::BitmapData::writeOnly);
    const auto* pixels = static_cast<const juce::uint8*> (xwd.getData()) + pixelsAt;

    for (int y = 0; y < area.getHeight(); ++y)
    {
        const auto* row = pixels + stride * (size_t) (area.getY() + y) + 4 * (size_t) area.getX();
        for (int x = 0; x < area.getWidth(); ++x)
            out.setPixelColour (x, y, juce::Colour (row[4 * x + 2], row[4 * x + 1], row[4 * x]));
    }

    return image;
}

double shareOfColour (const juce::Image& image, juce::Colour colour)
{
    if (! image.isValid())
        return 0.0;

    int matching = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            matching += image.getPixelAt (x, y) == colour ? 1 : 0;

    return matching / (double) (image.getWidth() * image.getHeight());
}
