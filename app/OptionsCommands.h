// The choices of the window's Options menu and the settings that keep them: help tips, the
// display font, the "(none)" row, the rows by file type, the walk's choices (one file system, hard links once,
// exclusions), which size is shown, and the About box.
#pragma once

#include "FolderWalk.h"
#include "SizeMeasure.h"

#include <QObject>
#include <QStringList>

class CEditableFont;
class CExtListCtrl;
class CHelpTipWnd;
class CTemplateDialog;

// Window's thread only. The window, its help tip, its font and its list outlive this.
class COptionsCommands : public QObject {
    Q_OBJECT

public:
    COptionsCommands(CTemplateDialog& window, CHelpTipWnd& helpTip, CEditableFont& font, CExtListCtrl& list);

    // The menu's questions for the commands kept here: 16 "About...", 32771 "Font...", 32772
    // "Show help tip", 32773 "Count files without an extension", 32777 "Stay on one file system",
    // 32778 "Exclusions...", 32779 "Size on disk", 32780 "Count hard links once", 32781 "Group by
    // file type".
    bool Handles(unsigned nId) const;
    bool IsEnabled(unsigned nId) const;
    bool IsChecked(unsigned nId) const;
    void Execute(unsigned nId);

    // The data controls (folder box, result fields, list) take the chosen font; buttons and
    // labels keep the platform's general font.
    void ApplyFont();
    // Reads the settings (the font too) and applies them: tips on, the "(none)" row, the rows by
    // type, the size.
    void LoadSettings();
    // Writes only the settings changed since LoadSettings, so that another copy's changes made
    // meanwhile stay.
    void SaveSettings() const;

    // The walk as the menu's choices ask, on top of `base` (what a test may have set).
    FolderWalkOptions WalkOptions(FolderWalkOptions base) const;
    SizeMeasure Measure() const { return m_bOnDisk ? SizeMeasure::OnDisk : SizeMeasure::Apparent; }

signals:
    void helpTipToggled();
    // "Size on disk" switched (the list shows the new size already).
    void sizeMeasureChanged();

private:
    // The settings as this copy read them.
    struct StoredSettings {
        bool bHelp = true;
        bool bNoExt = true;
        bool bByType = false;
        bool bOneFileSystem = false;
        bool bLinksOnce = false;
        bool bOnDisk = false;
        QStringList excludePatterns;
    };

    void OnAbout();
    void OnFont();
    void OnShowHelpTip();
    void OnExclusions();
    void OnOnDisk();

    CTemplateDialog& m_window;
    CHelpTipWnd& m_helpTip;
    CEditableFont& m_font;
    CExtListCtrl& m_list;
    // The walk choices apply from the next scan.
    bool m_bOneFileSystem = false;
    bool m_bLinksOnce = false;
    QStringList m_excludePatterns;
    // Sizes shown are allocated bytes; both are counted, so this changes the shown result at once.
    bool m_bOnDisk = false;
    StoredSettings m_stored;
};
