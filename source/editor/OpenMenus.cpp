#include "OpenMenus.h"

OpenMenus::~OpenMenus()
{
    dismissAll();
}

void OpenMenus::show (juce::PopupMenu menu, const juce::PopupMenu::Options& options,
                      std::function<void (int)> onResult)
{
    forgetClosed();

    // A shown menu enters the modal state at once: the newest modal component is its window.
    auto& modal = *juce::ModalComponentManager::getInstance();
    const int before = modal.getNumModalComponents();
    menu.showMenuAsync (options, std::move (onResult));

    if (modal.getNumModalComponents() > before)
        if (auto* window = modal.getModalComponent (0))
            windows.emplace_back (window);
}

void OpenMenus::dismissAll()
{
    for (auto& window : windows)
    {
        if (auto* w = window.getComponent())
        {
            // As the framework's own dismissal does: first let go of the look-and-feel, then
            // close the menu (and its open submenus) the way Escape does.
            w->setLookAndFeel (nullptr);
            w->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
        }
    }

    windows.clear();
}

int OpenMenus::numOpen()
{
    forgetClosed();
    return (int) windows.size();
}

void OpenMenus::forgetClosed()
{
    windows.erase (std::remove_if (windows.begin(), windows.end(),
                                   [] (auto& w) { return w == nullptr || ! w->isVisible(); }),
                   windows.end());
}
