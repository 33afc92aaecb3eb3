// menu_shot: a small dialog with the "Options..." menu button, for looking at the button and its
// pop-up on a real X server (scripts/menu_shot.sh clicks it and takes the screenshot). The dialog
// handles "Font..." (opening the font dialog) and a checked "Show help tip", not "About...".
#include "CommandTarget.h"
#include "DialogTemplate.h"
#include "EditableFont.h"
#include "MenuButton.h"
#include "Resource.h"
#include "TemplateDialog.h"

#include <QApplication>

#include <cstdio>

namespace {

constexpr ControlTemplate kControls[] = {
    {kStaticId, ControlKind::Static, "Folder:", CS_NONE, 5, 7, 30, 8},
    {IDC_FOLDER, ControlKind::Edit, "/home", CS_TABSTOP | CS_BORDER, 40, 5, 115, 12},
    {IDOK, ControlKind::DefPushButton, "Scan now", CS_TABSTOP, 160, 5, 50, 14},
    {IDC_OPTIONS, ControlKind::OwnerDrawButton, "Options...", CS_TABSTOP, 160, 25, 50, 14},
};
constexpr DialogTemplate kTemplate = {4712, "Menu button", 215, 45, "MS Sans Serif", 8,
                                      DS_POPUP | DS_CAPTION | DS_SYSMENU, kControls};

class CMenuShotDialog : public CTemplateDialog, public CCommandTarget {
public:
    CMenuShotDialog()
        : CTemplateDialog(kTemplate)
    {
        BindControl(IDC_OPTIONS, &m_btnOptions);
        m_font.SetFont(QFont());
    }

    bool HandlesCommand(unsigned nId) const override { return nId == ID_OPTIONS_FONT || nId == ID_OPTIONS_HELPTIP; }
    bool IsCommandEnabled(unsigned /*nId*/) const override { return true; }
    bool IsCommandChecked(unsigned nId) const override { return nId == ID_OPTIONS_HELPTIP && m_bHelp; }
    void ExecuteCommand(unsigned nId) override
    {
        if (nId == ID_OPTIONS_HELPTIP)
            m_bHelp = !m_bHelp;
        else if (nId == ID_OPTIONS_FONT && m_font.EditFont(ID_OPTIONS_FONT, this))
            GetDlgItem(IDC_FOLDER)->setFont(m_font.GetFont());
    }

protected:
    bool OnInitDialog() override
    {
        m_btnOptions.SetDropMenu(IDR_OPTIONS_MENU, 0);
        // Where the script should click: the button within the dialog's client area.
        const QRect rc = m_btnOptions.geometry();
        std::printf("button %d %d %d %d\n", rc.x(), rc.y(), rc.width(), rc.height());
        std::fflush(stdout);
        return true;
    }

private:
    CMenuButton m_btnOptions;
    CEditableFont m_font;
    bool m_bHelp = true;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CMenuShotDialog dialog;
    dialog.move(40, 40);
    return dialog.DoModal() == IDOK ? 0 : 1;
}
