// A template dialog that resizes with anchored controls, keeps its template size as the minimum,
// draws a size grip, gives its children the system message font, and saves and restores its
// window placement per running copy of the program, fitted to the monitors present. The placement
// text, the fitting rules and the instance count live in PlacementText, PlacementFit and
// InstanceCount.
//
// The window rectangle throughout is QWidget::frameGeometry() in screen coordinates (frame
// included). Where the platform reports no frame (before the first show on X11, or offscreen) it
// equals geometry(); a placement applied before the frame was known is applied again once the
// window is shown, so that the stored size does not grow by the frame from run to run.
#pragma once

#include "Rect.h"
#include "TemplateDialog.h"

#include <QIcon>
#include <QTimer>

#include <array>
#include <vector>

class CResizableDialog : public CTemplateDialog {
    Q_OBJECT

public:
    // `nIDIcon` 0: no icon. `nInstance` 0 or less: CountInstances() supplies the instance number.
    CResizableDialog(unsigned nIDTemplate, unsigned nIDIcon, int nInstance, QWidget* pParent = nullptr);
    // From a template that is not in the resources; it must outlive the dialog.
    CResizableDialog(const DialogTemplate& dialogTemplate, unsigned nIDIcon, int nInstance, QWidget* pParent = nullptr);
    ~CResizableDialog() override;

    // The four lists of control ids: width follows the dialog's width, left edge follows it, height
    // follows the dialog's height, top edge follows it. At most 123 ids in all; false (lists
    // unchanged) otherwise. Call from OnInitDialog, after the base's.
    bool SetLayout(const std::vector<int>& anStretchX, const std::vector<int>& anMoveX,
                   const std::vector<int>& anStretchY, const std::vector<int>& anMoveY);

    // Section and entry texts from the string table; the entry name is the entry text followed by
    // the instance number. False, without touching the profile, when a text is missing.
    bool LoadPlacementById(unsigned nIDSection, unsigned nIDEntry);
    bool SavePlacementById(unsigned nIDSection, unsigned nIDEntry);
    // True when a non-empty value was found; moves and sizes the window and starts following it.
    virtual bool LoadPlacement(const QString& section, const QString& entry);
    // Writes the placement last recorded; true when the profile took it.
    virtual bool SavePlacement(const QString& section, const QString& entry);

    // How many running processes execute this program's executable (this one included); 0 when
    // /proc cannot tell.
    static int CountInstances();
    // Tests: a move or resize has not yet come to rest (the end of it is still to be handled).
    bool IsSizeMoveSettling() const { return m_timerSizeMove.isActive(); }

    int GetInstance() const { return m_nInstance; }
    Rect GetPlacementRect() const { return m_rcPlacement; }
    Rect GetPlacementMonitorRect() const { return m_rcPlacementMonitor; }
    Rect GetWindowRect() const;
    // The client rectangle where the grip was last drawn.
    Rect GetGripRect() const { return m_rcGrip; }

protected:
    enum SizeType { SIZE_RESTORED, SIZE_MINIMIZED, SIZE_MAXIMIZED };

    bool OnInitDialog() override;
    // The layout pass. A derived dialog that handles resizing itself calls this first.
    virtual void OnSize(SizeType nType, int cx, int cy);
    // The size limits: minimum = initial size; fixed in a dimension no control follows.
    void OnGetMinMaxInfo();
    void OnPaint();
    // The system's message font changed. A derived dialog that handles this calls the base first.
    virtual void OnSettingChange();
    // A move or resize by the user has come to rest.
    void OnExitSizeMove();
    // The monitor set or a monitor's geometry changed.
    void OnDisplayChange();

    void ApplyMessageFont();
    static void SetEditMargins(QWidget* pChild);

    void RecordPlacement();
    void UpdatePlacementFractions();
    // Moves and sizes the window to the recorded placement, fitted to the monitors present.
    void ApplyPlacement();
    void CenterWindow();

    bool event(QEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void Construct(unsigned nIDIcon);
    // Moves and sizes the window so that its frame covers `rcWindow`; not a move by the user.
    void SetWindowRect(const Rect& rcWindow);
    void WatchScreen(QScreen* pScreen);
    void PostDisplayChange();
    int SizeGripExtent() const;

    QIcon m_hIcon;
    Rect m_rcInitial;
    Rect m_rcGrip;
    int m_cyClient = 0;
    int m_cxClient = 0;
    std::array<int, 128> m_anLayout{};
    bool m_bResizeX = false;
    bool m_bResizeY = false;
    int m_nInstance;
    bool m_bLayoutSet = false;
    QFont m_fontMessage;
    bool m_bTrackPlacement = false;
    Rect m_rcPlacement;
    Rect m_rcPlacementMonitor;
    double m_dPlacementX = 0.5;
    double m_dPlacementY = 0.5;

    QSize m_sizeInitialClient;       // the client size that goes with m_rcInitial
    QTimer m_timerSizeMove;          // restarted by each move or resize; its end finishes the move
    bool m_bProgramMove = false;     // moves until the timer ends were made by the program
    bool m_bReapplyWithFrame = false; // placement applied before the frame was known
};
