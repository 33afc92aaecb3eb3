// The program's window: the user names a folder, starts and stops a scan, watches the running
// totals and reads the per-extension list.
#pragma once

#include "ExtListCtrl.h"
#include "FolderWalk.h"
#include "ResizableDialog.h"
#include "ScanInfo.h"
#include "ScanJob.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

class CScanDialog : public CResizableDialog {
    Q_OBJECT

public:
    explicit CScanDialog(QWidget* pParent = nullptr);
    ~CScanDialog() override;

    // Opening with a folder ("kestrum FOLDER"); call before DoModal. Once the window is up the folder
    // is put into the folder box and scanned, as if typed and "Scan now" pressed.
    void ScanOnOpen(const QString& folder);

    // Tests: walk options (a hook on every folder opened) for the scans started from now on.
    void SetWalkOptionsForTesting(FolderWalkOptions options) { m_walkOptions = std::move(options); }
    bool IsScanning() const { return m_job.IsRunning(); }
    // Tests: the running scan's stop request (empty while idle).
    std::shared_ptr<ManualResetEvent> StopEventForTesting() const { return m_scan.hStopEvent; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int nId) override;
    void OnOK() override;     // "Scan now"
    void OnCancel() override; // "Exit", Escape, closing the window
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void InitControls();
    void SaveLoadSettings(bool bSave);
    void OnTimer(int nIDEvent);
    void OnStop();
    void OnChangeFolder();
    void OnListSelectionChanged();

    bool StartScan();
    void EndScan();
    void ShowCounters();
    void EnableScanButtons(bool bScanning);
    void SetButtonEnabled(int nId, bool bEnable);
    void ShowMessage(unsigned nIDText);

    // Bound to the template's controls before it is applied; destroyed before the dialog.
    QLineEdit m_editSelected;
    CExtListCtrl m_listExt;
    QPushButton m_btnOptions;
    QLineEdit m_editSize;
    QLineEdit m_editContains;
    QLineEdit m_editFolder;

    SCANINFO m_scan;
    // Whether help tips are shown; kept and stored for the help tip window.
    bool m_bHelpTip = true;
    int m_nTimer = 0;                      // the refresh timer's id; 0 = no timer
    ScanJob m_job{m_scan};                 // the worker's life; after m_scan, which it counts into
    FolderWalkOptions m_walkOptions;
};
