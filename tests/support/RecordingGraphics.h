#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

// Renders into an image like the software renderer and also records every fill it is asked to
// make, so tests can check what was drawn where, in what colour, without reading pixels.
class RecordingGraphics
{
public:
    enum class Kind { rect, path, image, glyph };

    struct Fill
    {
        Kind kind;
        juce::Rectangle<float> bounds; // in the image's pixels (the context's transforms applied)
        juce::Colour colour;           // transparent black unless the fill was a plain colour
        bool tiledImage = false;
    };

    explicit RecordingGraphics (int width, int height)
        : image (juce::Image::ARGB, juce::jmax (1, width), juce::jmax (1, height), true),
          context (image, fills),
          graphics (context)
    {
    }

    juce::Graphics& g() noexcept { return graphics; }
    const std::vector<Fill>& getFills() const noexcept { return fills; }
    const juce::Image& getImage() const noexcept { return image; }

    std::vector<Fill> fillsOf (juce::Colour colour) const
    {
        std::vector<Fill> result;
        for (const auto& fill : fills)
            if (fill.colour == colour)
                result.push_back (fill);
        return result;
    }

private:
    class Context : public juce::LowLevelGraphicsSoftwareRenderer
    {
    public:
        Context (const juce::Image& target, std::vector<Fill>& log)
            : juce::LowLevelGraphicsSoftwareRenderer (target), fills (log) {}

        void setOrigin (juce::Point<int> o) override
        {
            transform = juce::AffineTransform::translation (o.toFloat()).followedBy (transform);
            juce::LowLevelGraphicsSoftwareRenderer::setOrigin (o);
        }

        void addTransform (const juce::AffineTransform& t) override
        {
            transform = t.followedBy (transform);
            juce::LowLevelGraphicsSoftwareRenderer::addTransform (t);
        }

        void saveState() override
        {
            saved.push_back (transform);
            juce::LowLevelGraphicsSoftwareRenderer::saveState();
        }

        void restoreState() override
        {
            if (! saved.empty())
            {
                transform = saved.back();
                saved.pop_back();
            }
            juce::LowLevelGraphicsSoftwareRenderer::restoreState();
        }

        void beginTransparencyLayer (float opacity) override
        {
            saved.push_back (transform);
            juce::LowLevelGraphicsSoftwareRenderer::beginTransparencyLayer (opacity);
        }

        void endTransparencyLayer() override
        {
            if (! saved.empty())
            {
                transform = saved.back();
                saved.pop_back();
            }
            juce::LowLevelGraphicsSoftwareRenderer::endTransparencyLayer();
        }

        void setFill (const juce::FillType& type) override
        {
            current = type;
            juce::LowLevelGraphicsSoftwareRenderer::setFill (type);
        }

        void fillRect (const juce::Rectangle<int>& r, bool replace) override
        {
            record (Kind::rect, r.toFloat().transformedBy (transform));
            juce::LowLevelGraphicsSoftwareRenderer::fillRect (r, replace);
        }

        void fillRect (const juce::Rectangle<float>& r) override
        {
            record (Kind::rect, r.transformedBy (transform));
            juce::LowLevelGraphicsSoftwareRenderer::fillRect (r);
        }

        void fillPath (const juce::Path& path, const juce::AffineTransform& t) override
        {
            record (Kind::path, path.getBoundsTransformed (t.followedBy (transform)));
            juce::LowLevelGraphicsSoftwareRenderer::fillPath (path, t);
        }

        void drawImage (const juce::Image& im, const juce::AffineTransform& t) override
        {
            record (Kind::image, im.getBounds().toFloat().transformedBy (t.followedBy (transform)));
            juce::LowLevelGraphicsSoftwareRenderer::drawImage (im, t);
        }

        // An image drawn as a mask arrives as a clip to its alpha followed by a fill.
        void clipToImageAlpha (const juce::Image& im, const juce::AffineTransform& t) override
        {
            record (Kind::image, im.getBounds().toFloat().transformedBy (t.followedBy (transform)));
            juce::LowLevelGraphicsSoftwareRenderer::clipToImageAlpha (im, t);
        }

        void drawGlyph (int glyphNumber, const juce::AffineTransform& t) override
        {
            const auto origin = juce::Point<float> (t.getTranslationX(), t.getTranslationY()).transformedBy (transform);
            record (Kind::glyph, { origin.x, origin.y, 0.0f, 0.0f });
            juce::LowLevelGraphicsSoftwareRenderer::drawGlyph (glyphNumber, t);
        }

    private:
        std::vector<Fill>& fills;
        juce::FillType current;
        juce::AffineTransform transform;
        std::vector<juce::AffineTransform> saved;

        void record (Kind kind, juce::Rectangle<float> bounds)
        {
            const auto colour = current.isColour() ? current.colour : juce::Colours::transparentBlack;
            fills.push_back ({ kind, bounds, colour, current.isTiledImage() });
        }
    };

    juce::Image image;
    std::vector<Fill> fills;
    Context context;
    juce::Graphics graphics;
};
