// The program's window: the user names a folder, starts and stops a scan, watches the running
// totals and reads the per-extension list. The Options menu's choices live in COptionsCommands,
// "Save list as..." in CListSaver, the line under the list in CIncompleteLine; the help tips and
// the display font of the data fields come from the dialog toolkit.
#pragma once

#include "CommandTarget.h"
#include "CompareCommand.h"
#include "EditableFont.h"
#include "ExtEdit.h"
#include "ExtListCtrl.h"
#include "FolderWalk.h"
#include "HelpTipWnd.h"
#include "IncompleteLine.h"
#include "ListSaver.h"
#include "MenuButton.h"
#include "OptionsCommands.h"
#include "ResultFields.h"
#include "ResizableDialog.h"
#include "ScanSession.h"

#include <QStringList>

#include <functional>
#include <memory>

struct TIPREQUEST;

class QLabel;

class CScanDialog : public CResizableDialog, public CCommandTarget {
    Q_OBJECT

public:
    explicit CScanDialog(QWidget* pParent = nullptr);
    // Tests: the help tip reads this pointer, widget lookup and mouse presence instead of the
    // platform's.
    CScanDialog(QWidget* pParent, CHelpTipWnd::Platform tipPlatform);
    ~CScanDialog() override;

    // Opening with a folder ("kestrum FOLDER"); call before DoModal. Once the window is up the folder
    // is put into the folder box and scanned, as if typed and "Scan now" pressed.
    void ScanOnOpen(const QString& folder);

    // Tests: walk options (a hook on every folder opened) for the scans started from now on.
    void SetWalkOptionsForTesting(FolderWalkOptions options) { m_walkOptions = std::move(options); }
    bool IsScanning() const { return m_session.IsRunning(); }
    // True once a stop was asked of the scan running (or the last one, until the next starts).
    bool StopRequested() const { return m_session.StopRequested(); }
    // Tests: called on the window's thread when "Stop" (or a change of folder, or Exit) has asked
    // the running scan to stop, before the window waits for its end.
    void SetOnStopRequestedForTesting(std::function<void()> onStopRequested)
    {
        m_onStopRequestedForTesting = std::move(onStopRequested);
    }
    CHelpTipWnd& HelpTipForTesting() { return m_helpTip; }
    CExtListCtrl& ListForTesting() { return m_listExt; }
    // Tests: "Save list as..." without its file dialog: writes to path (CSV, or JSON when the name
    // ends in .json); a failure shows the warning as the command does. True when saved.
    bool SaveListTo(const QString& path);
    // Tests: "Save list as..." asks this for the name instead of the file dialog: it gets the
    // folder the dialog would start in and the filter chosen (in and out), and returns the name
    // typed, empty when cancelled.
    using SaveNameChooser = CListSaver::NameChooser;
    void SetSaveNameChooserForTesting(SaveNameChooser chooser) { m_saver.SetNameChooserForTesting(std::move(chooser)); }
    // The whole text of the line under the list (the label may show it shortened).
    QString IncompleteTextForTesting() const { return m_incompleteLine.Text(); }
    CCompareCommand& CompareForTesting() { return m_compare; }
    // The list of the paths not counted, while the line under the list has it open (else null).
    CProblemsDlg* ProblemsDlgForTesting() const { return m_incompleteLine.OpenProblemsDlg(); }

    // The Options menu's commands: 16 "About...", 32771 "Font...", 32772 "Show help tip",
    // 32773 "Count files without an extension", 32774 "Save list as...", 32776 "Largest
    // files...", 32777 "Stay on one file system", 32778 "Exclusions...", 32779 "Size on disk",
    // 32780 "Count hard links once", 32782 "Compare with saved list...", 32783 "Stop comparing",
    // 32784 "Remember scans"; and 32775 "Copy" of the list's own menu.
    bool HandlesCommand(unsigned nId) const override;
    bool IsCommandEnabled(unsigned nId) const override;
    bool IsCommandChecked(unsigned nId) const override;
    void ExecuteCommand(unsigned nId) override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int nId) override;
    void OnOK() override;     // "Scan now"
    void OnCancel() override; // "Exit", Escape, closing the window
    void OnSettingChange() override;
    bool event(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void AttachFields();
    void InitControls();
    // The window's placement and the Options menu's settings; on closing, a copy writes only the
    // settings it changed, so that another copy's changes made meanwhile stay.
    void SaveLoadSettings(bool bSave);
    void OnTimer(int nIDEvent);
    void OnStop();
    void OnFind();
    void OnSizeMeasureChanged();
    // "Largest files...", a double-click or Enter on rows: a window of the rows' largest files,
    // below the folder of the results shown. Only with a scan's result on screen.
    bool CanShowLargestFiles() const;
    void OnLargestFiles(const ChosenRows& rows);
    void SetAccessibleNames();
    // The engine's verdict on the request, in the window's words; true when it may be scanned.
    bool AcceptRequest(const ScanRequest& request);
    void OnRButtonDown();
    void OnChangeFolder();
    void OnListSelectionChanged();
    bool OnChildNotify(TIPREQUEST* pRequest);
    QString ListTipText();

    bool StartScan(const ScanRequest& request);
    void EndScan();
    void ShowResult(ScanResult result);
    void ShowCounters();
    void EnableScanButtons(bool bScanning);
    void SetButtonEnabled(int nId, bool bEnable);
    void ShowMessage(unsigned nIDText);

    // The edit fields take over the template's own edits once it is applied; the list and the
    // Options button are bound to their ids before. All go before the dialog does.
    CResultFields m_fields;
    CExtListCtrl m_listExt;
    CMenuButton m_btnOptions;
    CExtEdit m_editFolder;

    CHelpTipWnd m_helpTip; // off until the settings switch it on
    CEditableFont m_font;  // the display font of the folder box, the three fields and the list
    int m_nTimer = 0;      // the refresh timer's id; 0 = no timer
    ScanSession m_session; // the scan's shared state and worker; the request of the results shown
    FolderWalkOptions m_walkOptions;
    std::function<void()> m_onStopRequestedForTesting;
    COptionsCommands m_options{*this, m_helpTip, m_font, m_listExt};
    CListSaver m_saver{*this, m_listExt.Table()};
    CIncompleteLine m_incompleteLine{m_helpTip};
    CCompareCommand m_compare{*this, m_listExt, m_incompleteLine, [this] { return m_options.WalkOptions(m_walkOptions); }};
    QString m_scannedFolder; // the folder of the results shown, as typed
};
