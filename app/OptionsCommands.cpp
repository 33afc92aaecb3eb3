// The Options menu's choices, kept in the settings.
#include "OptionsCommands.h"

#include "EditableFont.h"
#include "ExcludeDlg.h"
#include "ExtListCtrl.h"
#include "HelpTipWnd.h"
#include "ProfileStore.h"
#include "Resource.h"
#include "ResourceString.h"
#include "TemplateDialog.h"

#include <QFile>

namespace {

// The data controls, which show the display font chosen with "Font...".
constexpr int kFontControls[] = {IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_SELECTED, IDC_EXTLIST};

} // namespace

COptionsCommands::COptionsCommands(CTemplateDialog& window, CHelpTipWnd& helpTip, CEditableFont& font, CExtListCtrl& list)
    : m_window(window)
    , m_helpTip(helpTip)
    , m_font(font)
    , m_list(list)
{
}

bool COptionsCommands::Handles(unsigned nId) const
{
    return nId == IDM_ABOUTBOX || nId == ID_OPTIONS_FONT || nId == ID_OPTIONS_HELPTIP || nId == ID_OPTIONS_NOEXT
        || nId == ID_OPTIONS_ONE_FILE_SYSTEM || nId == ID_OPTIONS_EXCLUDE || nId == ID_OPTIONS_ON_DISK
        || nId == ID_OPTIONS_LINKS_ONCE || nId == ID_OPTIONS_BY_TYPE;
}

bool COptionsCommands::IsEnabled(unsigned nId) const
{
    // No mouse, or a switch under way: the tips cannot be switched now.
    return nId != ID_OPTIONS_HELPTIP || m_helpTip.CanToggle();
}

bool COptionsCommands::IsChecked(unsigned nId) const
{
    switch (nId) {
    case ID_OPTIONS_HELPTIP: return m_helpTip.IsOn();
    case ID_OPTIONS_NOEXT: return m_list.Table().HasNoExtRow();
    case ID_OPTIONS_BY_TYPE: return m_list.Table().IsGrouped();
    case ID_OPTIONS_ONE_FILE_SYSTEM: return m_bOneFileSystem;
    case ID_OPTIONS_ON_DISK: return m_bOnDisk;
    case ID_OPTIONS_LINKS_ONCE: return m_bLinksOnce;
    default: return false;
    }
}

void COptionsCommands::Execute(unsigned nId)
{
    switch (nId) {
    case IDM_ABOUTBOX: OnAbout(); break;
    case ID_OPTIONS_FONT: OnFont(); break;
    case ID_OPTIONS_HELPTIP: OnShowHelpTip(); break;
    case ID_OPTIONS_NOEXT: m_list.SetNoExtRow(!m_list.Table().HasNoExtRow()); break;
    case ID_OPTIONS_BY_TYPE: m_list.SetGrouped(!m_list.Table().IsGrouped()); break;
    case ID_OPTIONS_ONE_FILE_SYSTEM: m_bOneFileSystem = !m_bOneFileSystem; break;
    case ID_OPTIONS_LINKS_ONCE: m_bLinksOnce = !m_bLinksOnce; break;
    case ID_OPTIONS_EXCLUDE: OnExclusions(); break;
    case ID_OPTIONS_ON_DISK: OnOnDisk(); break;
    default: break;
    }
}

void COptionsCommands::ApplyFont()
{
    const QFont font = m_font.GetFont();
    for (const int nId : kFontControls) {
        if (QWidget* pControl = m_window.GetDlgItem(nId)) {
            pControl->setFont(font);
            pControl->update();
        }
    }
}

void COptionsCommands::LoadSettings()
{
    const QString section = LoadQString(IDS_SECTION_MAIN);
    m_font.LoadFromProfile(IDS_SECTION_MAIN, IDS_ENTRY_FONT);
    m_stored.bHelp = GetProfileInt(section, LoadQString(IDS_ENTRY_HELP), 1) != 0;
    m_stored.bNoExt = GetProfileInt(section, LoadQString(IDS_ENTRY_NOEXT), 1) != 0;
    m_stored.bByType = GetProfileInt(section, LoadQString(IDS_ENTRY_BY_TYPE), 0) != 0;
    m_stored.bOneFileSystem = GetProfileInt(section, LoadQString(IDS_ENTRY_ONE_FILE_SYSTEM), 0) != 0;
    m_stored.bLinksOnce = GetProfileInt(section, LoadQString(IDS_ENTRY_LINKS_ONCE), 0) != 0;
    m_stored.bOnDisk = GetProfileInt(section, LoadQString(IDS_ENTRY_ON_DISK), 0) != 0;
    m_stored.excludePatterns = CExcludeDlg::PatternsFromText(GetProfileString(section, LoadQString(IDS_ENTRY_EXCLUDE)));
    if (m_stored.bHelp)
        m_helpTip.Toggle(&m_window);
    m_list.SetNoExtRow(m_stored.bNoExt);
    m_list.SetGrouped(m_stored.bByType);
    m_bOneFileSystem = m_stored.bOneFileSystem;
    m_bLinksOnce = m_stored.bLinksOnce;
    m_excludePatterns = m_stored.excludePatterns;
    if (m_stored.bOnDisk != m_bOnDisk)
        OnOnDisk();
}

// Each copy of the program has a placement entry of its own; the other settings are shared, so a
// copy writes only those that differ from what it read: closing a copy left untouched must not
// undo what another copy changed meanwhile.
void COptionsCommands::SaveSettings() const
{
    const QString section = LoadQString(IDS_SECTION_MAIN);
    const auto writeChanged = [&section](unsigned nIDEntry, bool bNow, bool bRead) {
        if (bNow != bRead)
            WriteProfileInt(section, LoadQString(nIDEntry), bNow ? 1 : 0);
    };
    // Off also when tips could not be switched on (no mouse): what was shown is what is kept.
    writeChanged(IDS_ENTRY_HELP, m_helpTip.IsOn(), m_stored.bHelp);
    writeChanged(IDS_ENTRY_NOEXT, m_list.Table().HasNoExtRow(), m_stored.bNoExt);
    writeChanged(IDS_ENTRY_BY_TYPE, m_list.Table().IsGrouped(), m_stored.bByType);
    writeChanged(IDS_ENTRY_ONE_FILE_SYSTEM, m_bOneFileSystem, m_stored.bOneFileSystem);
    writeChanged(IDS_ENTRY_LINKS_ONCE, m_bLinksOnce, m_stored.bLinksOnce);
    writeChanged(IDS_ENTRY_ON_DISK, m_bOnDisk, m_stored.bOnDisk);
    if (m_excludePatterns != m_stored.excludePatterns)
        WriteProfileString(section, LoadQString(IDS_ENTRY_EXCLUDE), m_excludePatterns.join(QLatin1Char('\n')));
}

FolderWalkOptions COptionsCommands::WalkOptions(FolderWalkOptions base) const
{
    base.oneFileSystem = base.oneFileSystem || m_bOneFileSystem;
    base.linksOnce = base.linksOnce || m_bLinksOnce;
    for (const QString& pattern : m_excludePatterns)
        base.excludePatterns.push_back(QFile::encodeName(pattern).toStdString());
    return base;
}

// The About box is owned by the window, as a dialog opened without a parent is by the program's
// main window: it opens over it and stays above it.
void COptionsCommands::OnAbout()
{
    CTemplateDialog about(IDD_ABOUTBOX, &m_window);
    about.DoModal();
}

void COptionsCommands::OnFont()
{
    // The command id doubles as the caption id; having no string, it keeps the dialog's own caption.
    if (!m_font.EditFont(ID_OPTIONS_FONT, &m_window))
        return;
    m_font.SaveToProfile(IDS_SECTION_MAIN, IDS_ENTRY_FONT);
    ApplyFont();
}

void COptionsCommands::OnShowHelpTip()
{
    m_helpTip.Toggle(&m_window);
    emit helpTipToggled();
}

void COptionsCommands::OnExclusions()
{
    CExcludeDlg dialog(m_excludePatterns, &m_window);
    if (dialog.exec() == QDialog::Accepted)
        m_excludePatterns = dialog.Patterns();
}

// Both sizes are counted on every scan, so the list changes over at once, also while a scan runs.
void COptionsCommands::OnOnDisk()
{
    m_bOnDisk = !m_bOnDisk;
    m_list.SetSizeMeasure(Measure());
    emit sizeMeasureChanged();
}
