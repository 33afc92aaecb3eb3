// Templates 100 (About) and 102 (main dialog).
#include "DialogTemplate.h"

#include "Resource.h"

namespace {

constexpr unsigned kDisplayField = CS_READONLY | CS_TABSTOP | CS_AUTOHSCROLL; // read-only, no border

constexpr ControlTemplate kScanDialogControls[] = {
    {IDC_FIND, ControlKind::PushButton, "Find...", CS_TABSTOP, 180, 5, 40, 12},
    {IDOK, ControlKind::DefPushButton, "Scan now", CS_TABSTOP, 180, 20, 40, 12},
    {IDCANCEL, ControlKind::PushButton, "Exit", CS_TABSTOP, 180, 80, 40, 12},
    {kStaticId, ControlKind::Static, "Folder:", CS_GROUP | CS_VCENTER, 5, 5, 30, 12},
    {IDC_FOLDER, ControlKind::Edit, "", CS_BORDER | CS_TABSTOP | CS_AUTOHSCROLL, 40, 5, 135, 12},
    {kStaticId, ControlKind::Static, "Contains:", CS_GROUP, 5, 20, 35, 12},
    {IDC_CONTAINS, ControlKind::Edit, "", kDisplayField, 40, 20, 135, 12},
    {kStaticId, ControlKind::Static, "Size:", CS_GROUP, 5, 35, 35, 12},
    {IDC_SIZE, ControlKind::Edit, "", kDisplayField, 40, 35, 135, 12},
    {kStaticId, ControlKind::Static, "Selected:", CS_GROUP, 5, 50, 35, 12},
    {IDC_EXTLIST, ControlKind::ListView, "", CS_REPORT | CS_BORDER | CS_TABSTOP, 5, 65, 170, 63},
    {IDC_OPTIONS, ControlKind::OwnerDrawButton, "Options...", CS_TABSTOP, 180, 105, 40, 12},
    {IDC_STOP, ControlKind::PushButton, "Stop", CS_NONE, 180, 35, 40, 12},
    // The totals of the selected rows are the longest line of the fields; the button column is free
    // at their height, so the field reaches the right margin.
    {IDC_SELECTED, ControlKind::Edit, "", kDisplayField, 40, 50, 180, 12},
    // What the scan could not count, under the list; empty when it counted everything.
    {IDC_INCOMPLETE, ControlKind::Static, "", CS_NOPREFIX | CS_VCENTER, 5, 131, 215, 10},
};

constexpr ControlTemplate kAboutControls[] = {
    {kStaticId, ControlKind::StaticIcon, "", CS_NONE, 11, 17, 0, 0, IDR_MAINFRAME},
    {kStaticId, ControlKind::Static, "Kestrum - version 1.5", CS_CENTER | CS_NOPREFIX, 40, 10, 100, 10},
    {kStaticId, ControlKind::Static, "Count files in a folder", CS_CENTER, 40, 25, 100, 10},
    {kStaticId, ControlKind::Static, "Made by Orvaldi", CS_CENTER, 40, 40, 100, 10},
    {IDOK, ControlKind::DefPushButton, "Push", CS_TABSTOP, 145, 10, 35, 12},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_ABOUTBOX, "About", 184, 60, "MS Sans Serif", 8,
     DS_POPUP | DS_MODALFRAME | DS_CAPTION | DS_SYSMENU, kAboutControls},
    {IDD_SCAN_DIALOG, "Kestrum", 224, 144, "MS Sans Serif", 8,
     DS_POPUP | DS_VISIBLE | DS_CAPTION | DS_SYSMENU | DS_SIZEFRAME | DS_MINIMIZEBOX | DS_MAXIMIZEBOX
         | DS_APPWINDOW,
     kScanDialogControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(unsigned id)
{
    for (const DialogTemplate& dialogTemplate : kTemplates)
        if (dialogTemplate.id == id)
            return &dialogTemplate;
    return nullptr;
}

std::span<const DialogTemplate> DialogTemplates()
{
    return kTemplates;
}
