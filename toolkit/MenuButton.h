// A flat push button that drops a pop-up menu from a menu resource instead of reporting a click.
// Before the pop-up opens, every item is updated through the parent window's command handling
// (CCommandTarget): items the parent does not handle are disabled, the parent enables and checks
// the others. A chosen item reaches the parent as ExecuteCommand(id), posted to run after the menu
// has closed; the button never emits clicked(). It takes the focus only by Tab, never by a click.
//
// The button can play a template control: bind it with CTemplateDialog::BindControl before the
// template is applied, then call SetDropMenu once the dialog exists. User-interface thread only.
#pragma once

#include <QPalette>
#include <QPushButton>

#include <memory>

class QMenu;

class CMenuButton : public QPushButton {
    Q_OBJECT

public:
    explicit CMenuButton(QWidget* pParent = nullptr);
    ~CMenuButton() override;

    // Loads menu `nIDMenu` from the resources and shows its pop-up at position `nSubMenu`. An id of
    // 0 only releases the menu held (and keeps the position). True when a menu is held afterwards.
    bool SetDropMenu(unsigned nIDMenu, int nSubMenu);
    // Updates the pop-up's items and shows it with its top-left corner at the pointer, or at the
    // centre of the button. True when the pop-up was shown, whether or not an item was chosen;
    // false, with nothing shown, when no menu is held or the position names no pop-up.
    // `bLeftButton` says which button tracks the menu; see the .cpp for what Qt makes of it.
    bool TrackMenu(bool bAtPointer, bool bLeftButton);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    bool event(QEvent* pEvent) override;

private:
    void DrawItem(QPainter& painter);
    void OnLButtonDown();
    void OnRButtonDown();
    bool OnKeyDown(int nKey); // true when handled
    void OnSetCursor();
    QMenu* GetSubMenu() const;
    void UpdateMenuItems(QMenu& popup) const;

    QPalette::ColorRole m_nBkColorIndex = QPalette::Button;
    QPalette::ColorRole m_nTextColorIndex = QPalette::ButtonText;
    std::unique_ptr<QMenu> m_pMenu; // the loaded menu: one sub-menu per pop-up of the resource
    int m_nSubMenu = 0;
};
