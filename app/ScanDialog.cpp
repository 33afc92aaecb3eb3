#include "ScanDialog.h"

#include "CountsText.h"
#include "ProfileStore.h"
#include "Resource.h"
#include "ResourceString.h"

#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QTimerEvent>

#include <mutex>

namespace {

constexpr int kRefreshMilliseconds = 500;


} // namespace

CScanDialog::CScanDialog(QWidget* pParent)
    : CResizableDialog(IDD_SCAN_DIALOG, IDR_MAINFRAME, 0, pParent)
{
    BindControl(IDC_SELECTED, &m_editSelected);
    BindControl(IDC_EXTLIST, &m_listExt);
    BindControl(IDC_OPTIONS, &m_btnOptions);
    BindControl(IDC_SIZE, &m_editSize);
    BindControl(IDC_CONTAINS, &m_editContains);
    BindControl(IDC_FOLDER, &m_editFolder);
}

CScanDialog::~CScanDialog()
{
    // A dialog torn down without Exit must still not leave a worker counting into freed state.
    OnStop();
    EndScan();
    m_listExt.ClearList();
    FreeExtList(&m_scan);
}

bool CScanDialog::OnInitDialog()
{
    CResizableDialog::OnInitDialog();
    SetLayout({IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_EXTLIST}, {IDC_FIND, IDC_STOP, IDOK, IDCANCEL, IDC_OPTIONS},
              {IDC_EXTLIST}, {IDC_OPTIONS});
    InitControls();
    SaveLoadSettings(false);
    return true;
}

void CScanDialog::InitControls()
{
    connect(&m_editFolder, &QLineEdit::textChanged, this, &CScanDialog::OnChangeFolder);
    connect(&m_listExt, &CExtListCtrl::selectionSummaryChanged, this, &CScanDialog::OnListSelectionChanged);
    m_listExt.InitColumns();
    EnableScanButtons(false);
}

void CScanDialog::SaveLoadSettings(bool bSave)
{
    const QString section = LoadQString(IDS_SECTION_MAIN);
    const QString entryHelp = LoadQString(IDS_ENTRY_HELP);
    if (bSave) {
        SavePlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW);
        WriteProfileInt(section, entryHelp, m_bHelpTip ? 1 : 0);
    } else {
        LoadPlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW);
        m_bHelpTip = GetProfileInt(section, entryHelp, 1) != 0;
    }
}

bool CScanDialog::OnCommand(int nId)
{
    if (nId == IDC_STOP) {
        OnStop();
        return true;
    }
    return CResizableDialog::OnCommand(nId);
}

void CScanDialog::OnOK()
{
    if (m_job.IsRunning() || m_nTimer)
        return; // "Scan now" is disabled while a scan runs; Enter must not start a second one
    if (m_editFolder.text().isEmpty()) {
        ShowMessage(IDS_SPECIFY_FOLDER);
        return;
    }
    // No row may keep pointing at a record that is about to be released.
    m_listExt.ClearList();
    if (!m_job.Prepare(QFile::encodeName(m_editFolder.text()).toStdString()) || !StartScan()) {
        // Back to Idle: nothing was started, so nothing may be waited for.
        EndScan();
        ShowMessage(IDS_SCAN_NOT_STARTED);
    }
}

bool CScanDialog::StartScan()
{
    EnableScanButtons(true);
    m_nTimer = startTimer(kRefreshMilliseconds);
    return m_nTimer != 0 && m_job.Start(m_walkOptions);
}

// Releases the timer, the worker and the events and switches the buttons back. The worker has set
// hDoneEvent (or never started), so the join returns at once.
void CScanDialog::EndScan()
{
    if (m_nTimer) {
        killTimer(m_nTimer);
        m_nTimer = 0;
    }
    m_job.Release();
    EnableScanButtons(false);
}

void CScanDialog::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_nTimer)
        OnTimer(pEvent->timerId());
    else
        CResizableDialog::timerEvent(pEvent);
}

void CScanDialog::OnTimer(int)
{
    if (m_job.IsDone()) {
        EndScan();
        std::lock_guard lock(m_scan.cs);
        m_listExt.FillList(m_scan.pExtList);
    }
    ShowCounters();
}

void CScanDialog::ShowCounters()
{
    const ScanCounters counters = m_job.Snapshot();
    m_editContains.setText(QString::fromStdString(ContainsText(counters.nFolders, counters.nFiles)));
    m_editContains.repaint();
    m_editSize.setText(QString::fromStdString(SizeText(counters.nBytes)));
    m_editSize.repaint();
}

void CScanDialog::OnStop()
{
    // The worker finishes the listings it has open, then sets hDoneEvent; the next tick ends the scan.
    m_job.Stop();
}

void CScanDialog::OnCancel()
{
    OnStop();
    // No tick may run after this point; the rows go before the records they point at.
    EndScan();
    m_listExt.ClearList();
    FreeExtList(&m_scan);
    SaveLoadSettings(true);
    CResizableDialog::OnCancel();
}

void CScanDialog::OnChangeFolder()
{
    m_editContains.clear();
    m_editSize.clear();
    m_editSelected.clear();
    m_listExt.ClearList();
}

void CScanDialog::OnListSelectionChanged()
{
    QString summary;
    m_listExt.GetSelectionSummary(summary);
    m_editSelected.setText(summary);
    m_editSelected.update();
}

void CScanDialog::EnableScanButtons(bool bScanning)
{
    SetButtonEnabled(IDOK, !bScanning);
    SetButtonEnabled(IDC_STOP, bScanning);
}

// Qt hands the focus of a disabled widget to the next one in the tab order: after "Scan now" that
// is "Exit", after "Stop" "Find...", and Enter would then press that button. The focus goes to the
// folder box instead, where Enter reaches the default button, "Scan now".
void CScanDialog::SetButtonEnabled(int nId, bool bEnable)
{
    QWidget* pButton = GetDlgItem(nId);
    if (!pButton)
        return;
    if (!bEnable && focusWidget() == pButton) // also while the window is not active
        m_editFolder.setFocus(Qt::OtherFocusReason);
    pButton->setEnabled(bEnable);
}

void CScanDialog::ShowMessage(unsigned nIDText)
{
    QMessageBox::warning(this, LoadQString(AFX_IDS_APP_TITLE), LoadQString(nIDText), QMessageBox::Ok);
}

void CScanDialog::ScanOnOpen(const QString& folder)
{
    // A zero timer fires from the dialog's own event loop, so after DoModal has shown the window
    // (OnInitDialog has run by then and the saved placement is applied).
    QTimer::singleShot(0, this, [this, folder] {
        m_editFolder.setText(folder);
        OnOK();
    });
}
