// Dialog templates as data: the dialog's caption, size, font and styles, and its controls in tab order.
// Sizes and rectangles are in dialog units; the toolkit turns them into pixels with the dialog
// font's base units.
#pragma once

#include <span>
#include <string_view>

enum class ControlKind {
    PushButton,
    DefPushButton,   // the dialog's default button (Enter presses it)
    OwnerDrawButton, // a push button whose owner draws it
    Static,          // a text label
    StaticIcon,      // an icon picture; `iconId` names it, the size follows the icon
    Edit,
    ListView,        // report-style list
};

// Control style flags (combined with |).
enum ControlStyle : unsigned {
    CS_NONE = 0,
    CS_TABSTOP = 1u << 0,
    CS_GROUP = 1u << 1,
    CS_DISABLED = 1u << 2,
    CS_BORDER = 1u << 3,      // edits and list views
    CS_READONLY = 1u << 4,    // edits
    CS_AUTOHSCROLL = 1u << 5, // edits: text scrolls horizontally past the right edge
    CS_CENTER = 1u << 6,      // statics: text centred horizontally
    CS_RIGHT = 1u << 7,       // statics: text right-aligned
    CS_VCENTER = 1u << 8,     // statics: text centred vertically (else top-aligned)
    CS_NOPREFIX = 1u << 9,    // statics: "&" is shown, not taken as a mnemonic
    CS_REPORT = 1u << 10,     // list views: columns with a header
};

// Dialog style flags.
enum DialogStyle : unsigned {
    DS_NONE = 0,
    DS_POPUP = 1u << 0,
    DS_VISIBLE = 1u << 1,
    DS_CAPTION = 1u << 2,
    DS_SYSMENU = 1u << 3,
    DS_SIZEFRAME = 1u << 4, // the user can resize the window through its frame
    DS_MINIMIZEBOX = 1u << 5,
    DS_MAXIMIZEBOX = 1u << 6,
    DS_MODALFRAME = 1u << 7,
    DS_APPWINDOW = 1u << 8, // its own task-bar button
};

inline constexpr int kStaticId = -1; // id of the statics that have none

struct ControlTemplate {
    int nId;
    ControlKind kind;
    std::string_view text; // UTF-8
    unsigned style;        // ControlStyle flags
    int x, y, cx, cy;      // dialog units; cx and cy are 0 for StaticIcon (sized to the icon)
    unsigned iconId = 0;   // StaticIcon only
};

struct DialogTemplate {
    unsigned id;
    std::string_view caption;  // UTF-8
    int cx, cy;                // client size, dialog units
    std::string_view fontFace; // the template's font, mapped to the platform's proportional font
    int nPointSize;
    unsigned style;            // DialogStyle flags
    std::span<const ControlTemplate> controls; // in tab order
};

// The template with this id, or nullptr when there is none.
const DialogTemplate* FindDialogTemplate(unsigned id);
// Every template, for the message catalogue's template.
std::span<const DialogTemplate> DialogTemplates();
