// Menu resources as data: a menu bar of pop-ups, each a list of command items.
#pragma once

#include <span>
#include <string_view>

struct MenuItemTemplate {
    unsigned nId;          // command id; 0 for a separator
    std::string_view text; // UTF-8, "&" marks the mnemonic
};

struct MenuPopupTemplate {
    std::string_view text; // the pop-up's own title (not shown when it is dropped on its own)
    std::span<const MenuItemTemplate> items;
};

struct MenuTemplate {
    unsigned id;
    std::span<const MenuPopupTemplate> popups; // by position
};

// The menu with this id, or nullptr when there is none.
const MenuTemplate* FindMenuTemplate(unsigned id);
// Every menu, for the message catalogue's template.
std::span<const MenuTemplate> MenuTemplates();
