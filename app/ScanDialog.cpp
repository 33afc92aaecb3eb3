#include "ScanDialog.h"

#include "LargestFilesOpener.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ScanRequest.h"
#include "SelectDirDialog.h"
#include "StringTable.h"
#include "TipRequest.h"
#include "WarningBox.h"

#include <QAccessible>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>
#include <QTimerEvent>

namespace {

constexpr int kRefreshMilliseconds = 500;

// The controls whose tips the dialog answers, by control id.
constexpr int kTipControls[] = {IDC_FIND, IDC_STOP, IDOK, IDCANCEL, IDC_EXTLIST, IDC_INCOMPLETE};

// What a screen reader says of each control: the label the template writes beside it (it becomes
// the control's buddy), its name (0: the button's own text names it) and its help tip, which is
// also its accessible description (0: no tip). The tips the dialog answers come from here too.
struct ControlTexts {
    const char* szLabel;
    int nId;
    unsigned nIDName;
    unsigned nIDTip;
};
constexpr ControlTexts kControlTexts[] = {
    {"Folder:", IDC_FOLDER, IDS_ACC_FOLDER, IDS_TIP_FOLDER},
    {"Contains:", IDC_CONTAINS, IDS_ACC_CONTAINS, 0},
    {"Size:", IDC_SIZE, IDS_ACC_SIZE, 0},
    {"Selected:", IDC_SELECTED, IDS_ACC_SELECTED, 0},
    {nullptr, IDC_EXTLIST, IDS_ACC_LIST, IDS_TIP_LIST},
    {nullptr, IDC_OPTIONS, IDS_ACC_OPTIONS, 0},
    {nullptr, IDC_FIND, 0, IDS_TIP_FIND},
    {nullptr, IDOK, 0, IDS_TIP_SCAN},
    {nullptr, IDC_STOP, 0, IDS_TIP_STOP},
    {nullptr, IDCANCEL, 0, IDS_TIP_EXIT},
};

// The help tip's string of control nId, or 0.
unsigned TipTextId(int nId)
{
    for (const ControlTexts& control : kControlTexts) {
        if (control.nId == nId)
            return control.nIDTip;
    }
    return 0;
}

// Sets a control's accessible description and tells a screen reader when it changed, so the
// reader says the new text of the control it is on.
void Describe(QWidget* pControl, const QString& description)
{
    if (!pControl || pControl->accessibleDescription() == description)
        return;
    pControl->setAccessibleDescription(description);
    QAccessibleEvent changed(pControl, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace

CScanDialog::CScanDialog(QWidget* pParent)
    : CScanDialog(pParent, CHelpTipWnd::Platform::Native())
{
}

CScanDialog::CScanDialog(QWidget* pParent, CHelpTipWnd::Platform tipPlatform)
    : CResizableDialog(IDD_SCAN_DIALOG, IDR_MAINFRAME, 0, pParent)
    , m_helpTip(std::move(tipPlatform))
{
    BindControl(IDC_EXTLIST, &m_listExt);
    BindControl(IDC_OPTIONS, &m_btnOptions);
    // The platform's default proportional font until the settings or the font dialog give another.
    m_font.SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

CScanDialog::~CScanDialog()
{
    // A dialog torn down without Exit must still not leave a worker counting into freed state.
    OnStop();
    EndScan();
}

bool CScanDialog::OnInitDialog()
{
    AttachFields();
    CResizableDialog::OnInitDialog();
    SetLayout({IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_SELECTED, IDC_EXTLIST, IDC_INCOMPLETE},
              {IDC_FIND, IDC_STOP, IDOK, IDCANCEL, IDC_OPTIONS}, {IDC_EXTLIST}, {IDC_OPTIONS, IDC_INCOMPLETE});
    // The window menu belongs to the window manager here, so "About..." lives in the Options menu.
    InitControls();
    SaveLoadSettings(false);
    m_options.ApplyFont();
    return true;
}

void CScanDialog::AttachFields()
{
    m_fields.Attach(GetDlgItem(IDC_CONTAINS), GetDlgItem(IDC_SIZE), GetDlgItem(IDC_SELECTED));
    m_editFolder.Attach(GetDlgItem(IDC_FOLDER));
}

void CScanDialog::InitControls()
{
    m_btnOptions.SetDropMenu(IDR_OPTIONS_MENU, 0);
    // The folder box answers its tip itself, takes dropped text and dropped files, and gives its
    // text away by drag; "Contains:" and "Size:" can be dragged from (read-only, they refuse drops).
    m_editFolder.m_nHelpTextId = IDS_TIP_FOLDER;
    m_editFolder.RegisterDropTarget();
    m_editFolder.DragAcceptFiles(true);
    m_fields.RegisterDropTargets();

    if (auto* pFolder = qobject_cast<QLineEdit*>(m_editFolder.GetWidget()))
        connect(pFolder, &QLineEdit::textChanged, this, &CScanDialog::OnChangeFolder);
    connect(&m_listExt, &CExtListCtrl::selectionSummaryChanged, this, &CScanDialog::OnListSelectionChanged);
    m_listExt.InitColumns();
    for (const int nId : kTipControls)
        m_helpTip.RedirectTip(GetDlgItem(nId), this);
    EnableScanButtons(false);

    // The list's menu offers this window's Copy, Save list as and Largest files.
    m_listExt.SetCommandTarget(this);
    connect(&m_listExt, &CExtListCtrl::largestFilesRequested, this, &CScanDialog::OnLargestFiles);
    // F5 is "Scan now" wherever the focus is; OnOK refuses while a scan runs.
    auto* pScanKey = new QShortcut(QKeySequence(Qt::Key_F5), this);
    pScanKey->setContext(Qt::WindowShortcut);
    connect(pScanKey, &QShortcut::activated, this, [this] { OnOK(); });
    // The line under the list keeps one line, shortened to its width; it is fitted again as the
    // window resizes.
    m_incompleteLine.Attach(qobject_cast<QLabel*>(GetDlgItem(IDC_INCOMPLETE)));
    // The line's plain tip stands in for the help tip while that is off.
    connect(&m_options, &COptionsCommands::helpTipToggled, &m_incompleteLine, &CIncompleteLine::Fit);
    connect(&m_options, &COptionsCommands::sizeMeasureChanged, this, &CScanDialog::OnSizeMeasureChanged);
    SetAccessibleNames();
}

// Each label is its field's buddy and each field, the list and the menu button carry a name of
// their own, so a screen reader reads "Folder", "Contains", ... rather than "edit"; a control with
// a help tip is described by the tip's text, which a reader says after the name.
void CScanDialog::SetAccessibleNames()
{
    for (const ControlTexts& control : kControlTexts) {
        if (control.nIDName) {
            QLabel* pLabel = NameControl(control.nId, LoadQString(control.nIDName), control.szLabel);
            if (control.nId == IDC_SIZE)
                m_fields.SetSizeLabel(pLabel);   // says which size is shown
        }
        if (control.nIDTip)
            Describe(GetDlgItem(control.nId), LoadQString(control.nIDTip));
    }
}

void CScanDialog::SaveLoadSettings(bool bSave)
{
    if (bSave) {
        SavePlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW);
        m_options.SaveSettings();
        m_compare.SaveSettings();
    } else {
        LoadPlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW);
        m_options.LoadSettings();
        m_compare.LoadSettings();
    }
}

// The platform's general font changed: the base gives it to every control, then the data
// controls return to the chosen font.
void CScanDialog::OnSettingChange()
{
    CResizableDialog::OnSettingChange();
    m_options.ApplyFont();
}

bool CScanDialog::OnCommand(int nId)
{
    switch (nId) {
    case IDC_STOP:
        OnStop();
        return true;
    case IDC_FIND:
        OnFind();
        return true;
    default:
        return CResizableDialog::OnCommand(nId);
    }
}

bool CScanDialog::HandlesCommand(unsigned nId) const
{
    return m_options.Handles(nId) || m_compare.Handles(nId) || nId == ID_OPTIONS_SAVELIST || nId == ID_EDIT_COPY || nId == ID_OPTIONS_LARGEST;
}

bool CScanDialog::IsCommandEnabled(unsigned nId) const
{
    switch (nId) {
    case ID_OPTIONS_SAVELIST:
    case ID_EDIT_COPY:
        return m_listExt.Table().RowCount() > 0;
    case ID_OPTIONS_LARGEST:
        return CanShowLargestFiles();
    default:
        return m_compare.Handles(nId) ? m_compare.IsEnabled(nId) : m_options.IsEnabled(nId);
    }
}

bool CScanDialog::IsCommandChecked(unsigned nId) const
{
    return m_options.IsChecked(nId) || m_compare.IsChecked(nId);
}

void CScanDialog::ExecuteCommand(unsigned nId)
{
    switch (nId) {
    case ID_OPTIONS_SAVELIST: m_saver.SaveAs(m_scannedFolder); break;
    case ID_EDIT_COPY: m_listExt.CopyRows(); break;
    case ID_OPTIONS_LARGEST: OnLargestFiles(m_listExt.Table().SelectedRows()); break;
    default:
        if (m_compare.Handles(nId))
            m_compare.Execute(nId, m_editFolder.GetEditControl().GetWindowText());
        else
            m_options.Execute(nId);
        break;
    }
}

// "Size on disk" switched: the "Size:" field and its label change over with the list.
void CScanDialog::OnSizeMeasureChanged()
{
    m_fields.ShowMeasure(m_options.Measure());
    // A field left empty (no scan yet, or its results dropped) stays empty.
    if (m_fields.HasCounters())
        ShowCounters();
}

bool CScanDialog::SaveListTo(const QString& path)
{
    return m_saver.SaveTo(path, m_scannedFolder);
}

// Rows stay on screen only with the result of a scan of m_scannedFolder (a change of folder
// empties them), and a scan under way has emptied them.
bool CScanDialog::CanShowLargestFiles() const
{
    return !m_session.IsRunning() && m_nTimer == 0 && !m_listExt.Table().SelectedRows().empty();
}

void CScanDialog::OnLargestFiles(const ChosenRows& rows)
{
    if (rows.empty() || m_session.IsRunning() || m_nTimer != 0)
        return;
    // The walk that counted the rows shown: the last one started.
    CLargestFilesOpener::Open(rows, m_scannedFolder, m_session.Request().walk, this);
}

// The folder dialog is owned by this window, as a dialog opened without a parent is by the
// program's main window: it opens over it and stays above it.
void CScanDialog::OnFind()
{
    CEditControl& folderBox = m_editFolder.GetEditControl();
    CSelectDirDialog dialog(LoadQString(IDS_TIP_FOLDER), LoadQString(IDS_FOLDER_FILTER), folderBox.GetWindowText(),
                            true, this);
    if (dialog.DoModal() == QDialog::Accepted)
        folderBox.SetWindowText(dialog.GetSelectedFolder()); // which empties the results
}

void CScanDialog::mousePressEvent(QMouseEvent* pEvent)
{
    // Only the dialog's own background: the labels are part of it, a control keeps its right clicks.
    const QWidget* pChild = childAt(pEvent->position().toPoint());
    if (pEvent->button() == Qt::RightButton && (!pChild || qobject_cast<const QLabel*>(pChild))) {
        OnRButtonDown();
        pEvent->accept();
        return;
    }
    CResizableDialog::mousePressEvent(pEvent);
}

void CScanDialog::OnRButtonDown()
{
    m_btnOptions.TrackMenu(true, false);
}

bool CScanDialog::event(QEvent* pEvent)
{
    if (pEvent->type() == TIPREQUEST::EventType()) {
        auto* pRequest = static_cast<TIPREQUEST*>(pEvent);
        if (pRequest->hwndFrom == this)
            return OnChildNotify(pRequest);
    }
    return CResizableDialog::event(pEvent);
}

// The help tip asks for the controls redirected to the dialog; idFrom names the control.
bool CScanDialog::OnChildNotify(TIPREQUEST* pRequest)
{
    pRequest->accept();
    if (pRequest->code != HTN_GETTEXT)
        return true;
    QString text;
    switch (pRequest->idFrom) {
    case IDC_EXTLIST: text = ListTipText(); break;
    case IDC_INCOMPLETE: text = m_incompleteLine.TipText(); break;
    default:
        if (const unsigned nIDTip = TipTextId(pRequest->idFrom))
            text = LoadQString(nIDTip);
        break;
    }
    pRequest->SetText(text); // refused, leaving the text empty, at 512 characters or more
    return true;
}

void CScanDialog::OnOK()
{
    if (m_session.IsRunning() || m_nTimer)
        return; // "Scan now" is disabled while a scan runs; Enter must not start a second one
    const QString folder = m_editFolder.GetEditControl().GetWindowText();
    if (folder.isEmpty()) {
        ShowMessage(IDS_SPECIFY_FOLDER);
        return;
    }
    // The last scan's rows go as the new scan starts, as its counters do.
    m_listExt.ClearList();
    m_incompleteLine.Show(ScanCounters());
    const ScanRequest request{QFile::encodeName(folder).toStdString(), m_options.WalkOptions(m_walkOptions)};
    if (!AcceptRequest(request)) {
        m_fields.ClearCounters();
        return;
    }
    m_scannedFolder = folder;
    if (!StartScan(request)) {
        // Back to Idle: nothing was started, so nothing may be waited for.
        EndScan();
        ShowMessage(IDS_SCAN_NOT_STARTED);
    }
}

// A folder that is missing or cannot be read is said so, not shown as an empty one; a stored
// exclusion pattern that could never match is named.
bool CScanDialog::AcceptRequest(const ScanRequest& request)
{
    const RequestVerdict verdict = ValidateRequest(request);
    if (verdict.fault == RequestFault::ExcludeHasSlash)
        ShowWarningBox(this, QString::fromStdString(FormatString(IDS_EXCLUDE_PATH, {verdict.subject})));
    else if (!verdict.Ok())
        ShowMessage(IDS_INVALID_FOLDER);   // the root missing or unreadable: the window asks for no extensions
    return verdict.Ok();
}

bool CScanDialog::StartScan(const ScanRequest& request)
{
    EnableScanButtons(true);
    m_nTimer = startTimer(kRefreshMilliseconds);
    return m_nTimer != 0 && m_session.Start(request);
}

// Releases the timer and the worker and switches the buttons back. The walk has ended (or never
// started), so the join returns at once.
void CScanDialog::EndScan()
{
    if (m_nTimer) {
        killTimer(m_nTimer);
        m_nTimer = 0;
    }
    m_session.Release();
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
    if (m_session.IsDone()) {
        EndScan();
        ShowResult(m_session.TakeResult());
    }
    ShowCounters();
}

// The list takes the result whole; the line under it says what could not be counted and opens
// the names of it.
void CScanDialog::ShowResult(ScanResult result)
{
    m_compare.ShowResult(std::move(result), m_scannedFolder);
    const ScanResult& shown = m_listExt.Table().Result();
    m_incompleteLine.Show(shown.Counters(), shown.Problems());
}

void CScanDialog::ShowCounters()
{
    m_fields.ShowCounters(m_session.Progress(), m_options.Measure());
}

void CScanDialog::OnStop()
{
    if (!m_session.IsRunning())
        return;
    // The worker finishes the listings it has open, then ends; the next tick ends the scan.
    m_session.RequestStop();
    if (m_onStopRequestedForTesting)
        m_onStopRequestedForTesting();
    m_session.Stop();
}

void CScanDialog::OnCancel()
{
    OnStop();
    // No tick may run after this point.
    EndScan();
    SaveLoadSettings(true);
    CResizableDialog::OnCancel();
}

// The results on screen always belong to the folder shown: a change during a scan (typed, chosen
// with "Find..." or dropped) stops it, and what it counted is dropped with the rest.
void CScanDialog::OnChangeFolder()
{
    if (m_session.IsRunning()) {
        OnStop(); // returns once the walk has ended
        EndScan();
    }
    m_fields.ClearCounters();
    m_fields.ShowSelection(QString());
    m_listExt.ClearList();
    m_incompleteLine.Show(ScanCounters());
}

// Over the list the tip gives the totals of the selected rows, else what the list is.
QString CScanDialog::ListTipText()
{
    QString text;
    m_listExt.Table().GetSelectionSummary(text);
    return text.isEmpty() ? LoadQString(IDS_TIP_LIST) : text;
}

void CScanDialog::OnListSelectionChanged()
{
    QString summary;
    m_listExt.Table().GetSelectionSummary(summary);
    m_fields.ShowSelection(summary);
    // The focus is on the list while rows are selected: its description, the tip, is what a
    // screen reader announces of the new totals.
    Describe(&m_listExt, ListTipText());
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
        if (QWidget* pFolder = m_editFolder.GetWidget())
            pFolder->setFocus(Qt::OtherFocusReason);
    pButton->setEnabled(bEnable);
}

void CScanDialog::ShowMessage(unsigned nIDText)
{
    ShowWarningBox(this, nIDText);
}

void CScanDialog::ScanOnOpen(const QString& folder)
{
    // A zero timer fires from the dialog's own event loop, so after DoModal has shown the window
    // (OnInitDialog has run by then and the saved placement is applied).
    QTimer::singleShot(0, this, [this, folder] {
        m_editFolder.GetEditControl().SetWindowText(folder);
        OnOK();
    });
}
