#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

// The popup menus one owner (the editor or the canvas) has open. Menus are asynchronous and
// outlive the call that showed them; when the owner goes, dismissAll (run by the destructor)
// closes them, so that none keeps drawing with the owner's look-and-feel or offers items
// nobody will act on. Results still arrive, as 0, and the owner's handlers must drop them.
class OpenMenus
{
public:
    OpenMenus() = default;
    ~OpenMenus();

    void show (juce::PopupMenu menu, const juce::PopupMenu::Options& options,
               std::function<void (int)> onResult);

    void dismissAll();

    // The number of menu windows still open.
    int numOpen();

private:
    void forgetClosed();

    std::vector<juce::Component::SafePointer<juce::Component>> windows;

    JUCE_DECLARE_NON_COPYABLE (OpenMenus)
};
