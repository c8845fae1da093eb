// Pictures of the editor's footer with the update indicator showing, at 1x and 2x, under
// <build>/tests/output/gallery/, for a person to look at. Nothing is compared here.

#include "InteractionTestSupport.h"
#include "support/GalleryPng.h"

#include "editor/SabrelEditor.h"
#include "update/UpdateChecker.h"

namespace
{
TEST (EditorGallery, FooterWithTheUpdateIndicator)
{
    interaction::ScopedSettingsHome home ({ { updatekeys::latestVersion, "0.2.0" }, { updatekeys::checkEnabled, "1" } });
    SabrelProcessor processor;
    std::unique_ptr<SabrelEditor> editor (static_cast<SabrelEditor*> (processor.createEditor()));
    ASSERT_TRUE (editor->updatePill.isVisible());

    // The footer row from the strip above it to the bottom of the window, full width.
    const auto top = editor->footerArea.getY() - 8;
    const juce::Rectangle<int> row { 0, top, SabrelEditor::designWidth, SabrelEditor::designHeight - top };
    for (int scale : { 1, 2 })
    {
        juce::Image image (juce::Image::ARGB, row.getWidth() * scale, row.getHeight() * scale, true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            g.addTransform (juce::AffineTransform::scale ((float) scale));
            g.setOrigin (-row.getPosition());
            editor->content.paintEntireComponent (g, false);
        }

        ASSERT_TRUE (writeGalleryPng (image, "editor_footer_" + juce::String (scale) + "x.png").existsAsFile());
    }
}
} // namespace
