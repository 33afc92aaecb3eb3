// A dialog built from a dialog template (res/DialogTemplate.h): caption, size and controls come
// from the template, converted from dialog units with the dialog font's base units. Every control
// carries its id; a derived dialog binds its own member widgets to ids before the template is
// applied, and plain widgets are made for the others.
//
// The template is applied once, by Create() or by the first show()/exec(); OnInitDialog runs right
// after, before the window is first shown. Buttons report clicks through OnCommand(id); id 1 (IDOK)
// reaches OnOK and id 2 (IDCANCEL), Escape and closing the window reach OnCancel.
#pragma once

#include <QDialog>
#include <QPointer>

#include <map>
#include <vector>

struct ControlTemplate;
struct DialogTemplate;

class QLabel;

class CTemplateDialog : public QDialog {
    Q_OBJECT

public:
    explicit CTemplateDialog(unsigned nIDTemplate, QWidget* pParent = nullptr);
    // From a template that is not in the resources; it must outlive the dialog.
    explicit CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* pParent = nullptr);
    ~CTemplateDialog() override;

    // Before Create(): `pWidget` plays control `nId`. The dialog takes it as a child, places it and
    // applies the template's text and styles; it does not take ownership (members stay members).
    void BindControl(int nId, QWidget* pWidget);
    // (Bound widgets may be members of the derived dialog or outlive it: the dialog never deletes them.)

    // Applies the template once and runs OnInitDialog. False when the template does not exist (the
    // dialog then stays empty) or was already applied.
    bool Create();
    bool IsCreated() const { return m_bCreated; }

    // Runs the dialog modally; the result is the code given to EndDialog.
    int DoModal();
    void EndDialog(int nResult);

    // The control with this id, or nullptr.
    QWidget* GetDlgItem(int nId) const;
    // Gives control nId the accessible name `name` and, when szLabel is given, makes the label
    // whose text it is the control's buddy, so a screen reader reads "Folder" rather than "edit".
    // Returns that label, or nullptr (no such control or label).
    QLabel* NameControl(int nId, const QString& name, const char* szLabel = nullptr);
    // The id a control carries, or -1 for a widget that is no template control.
    static int GetDlgCtrlID(const QWidget* pWidget);

    unsigned GetTemplateId() const { return m_nIDTemplate; }
    // Average character width and line height of the dialog font, in pixels.
    QSize GetBaseUnits() const { return m_sizeBaseUnits; }
    // A rectangle in dialog units as pixels: x·baseX/4, y·baseY/8, rounded.
    QRect MapDialogRect(const QRect& rcDialogUnits) const;

    void setVisible(bool bVisible) override;
    void accept() override; // OnOK
    void reject() override; // OnCancel

protected:
    // Runs once, after the controls exist and before the first show. True gives the first tab
    // stop the focus; false means the dialog has set the focus itself.
    virtual bool OnInitDialog();
    // A button with this id was clicked; true when handled. IDOK and IDCANCEL are handled here.
    virtual bool OnCommand(int nId);
    virtual void OnOK();     // ends the dialog with IDOK
    virtual void OnCancel(); // ends the dialog with IDCANCEL

private:
    void FocusFirstTabStop();
    void ApplyTemplate(const DialogTemplate& dialogTemplate);
    void ApplyWindowStyle(const DialogTemplate& dialogTemplate);
    QWidget* MakeControl(const ControlTemplate& control);
    void StyleControl(QWidget* pWidget, const ControlTemplate& control);
    void PlaceControl(QWidget* pWidget, const ControlTemplate& control);
    // Widens the columns whose texts (in the user's language) are wider than the template's
    // rectangles; returns how many pixels the dialog grew by.
    int WidenColumnsForTexts(const std::vector<QWidget*>& controls);

    unsigned m_nIDTemplate;
    const DialogTemplate* m_pTemplate; // nullptr when the id names no template
    bool m_bCreated = false;
    QSize m_sizeBaseUnits;
    std::map<int, QPointer<QWidget>> m_boundControls; // bound before Create(), not owned
    std::map<int, QPointer<QWidget>> m_controls;      // every control with an id
};
