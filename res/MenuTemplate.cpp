// Menu 129: the "Options..." pop-up.
#include "MenuTemplate.h"

#include "Resource.h"

namespace {

constexpr MenuItemTemplate kOptionsItems[] = {
    {ID_OPTIONS_FONT, "Font..."},
    {ID_OPTIONS_HELPTIP, "Show help tip"},
    {ID_OPTIONS_NOEXT, "Count files without an extension"},
    {ID_OPTIONS_BY_TYPE, "Group by file type"},
    {ID_OPTIONS_ON_DISK, "Size on disk"},
    {ID_OPTIONS_LINKS_ONCE, "Count hard links once"},
    {ID_OPTIONS_ONE_FILE_SYSTEM, "Stay on one file system"},
    {ID_OPTIONS_EXCLUDE, "Exclusions..."},
    {ID_OPTIONS_SAVELIST, "Save list as..."},
    {ID_OPTIONS_LARGEST, "Largest files..."},
    {ID_OPTIONS_COMPARE, "Compare with saved list..."},
    {ID_OPTIONS_STOP_COMPARE, "Stop comparing"},
    {ID_OPTIONS_HISTORY, "Remember scans"},
    {IDM_ABOUTBOX, "About..."},
};

constexpr MenuPopupTemplate kOptionsPopups[] = {
    {"", kOptionsItems},
};

constexpr MenuTemplate kMenus[] = {
    {IDR_OPTIONS_MENU, kOptionsPopups},
};

} // namespace

const MenuTemplate* FindMenuTemplate(unsigned id)
{
    for (const MenuTemplate& menu : kMenus)
        if (menu.id == id)
            return &menu;
    return nullptr;
}

std::span<const MenuTemplate> MenuTemplates()
{
    return kMenus;
}
