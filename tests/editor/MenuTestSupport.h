#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

// A menu's items as a flat list, for checking what a menu offers without showing it.
struct MenuEntry
{
    juce::String path; // submenu names and the item's text, joined by " > "
    int id;
    bool enabled, ticked, separator, header;
    juce::PopupMenu::CustomComponent* custom; // owned by the menu
};

inline void collectMenuEntries (const juce::PopupMenu& menu, const juce::String& prefix, std::vector<MenuEntry>& out)
{
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        const auto path = prefix.isEmpty() ? item.text : prefix + " > " + item.text;
        out.push_back ({ path, item.itemID, item.isEnabled, item.isTicked, item.isSeparator, item.isSectionHeader,
                         item.customComponent.get() });

        if (item.subMenu != nullptr)
            collectMenuEntries (*item.subMenu, path, out);
    }
}

inline std::vector<MenuEntry> menuEntries (const juce::PopupMenu& menu)
{
    std::vector<MenuEntry> out;
    collectMenuEntries (menu, {}, out);
    return out;
}

// The items that carry an id, in order.
inline std::vector<int> menuIds (const std::vector<MenuEntry>& entries)
{
    std::vector<int> ids;
    for (const auto& e : entries)
        if (e.id != 0)
            ids.push_back (e.id);
    return ids;
}

inline const MenuEntry* findMenuEntry (const std::vector<MenuEntry>& entries, int id)
{
    for (const auto& e : entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

inline std::vector<int> tickedIds (const std::vector<MenuEntry>& entries)
{
    std::vector<int> ids;
    for (const auto& e : entries)
        if (e.ticked)
            ids.push_back (e.id);
    return ids;
}
