// The window's result fields: "Contains:" and "Size:" (the scan's counts, live while it runs)
// and "Selected:" (the totals of the selected rows). Each is read from its first character and
// can be dragged from.
#pragma once

#include "ExtEdit.h"
#include "ScanCounters.h"
#include "SizeMeasure.h"

class QLabel;
class QString;
class QWidget;

// Window's thread only. The fields take over the template's edits; they go before the dialog does.
class CResultFields {
public:
    // Once the template is applied: its three edits.
    void Attach(QWidget* pContains, QWidget* pSize, QWidget* pSelected);
    // Once the labels have their buddies: the label of "Size:", which says which size is shown.
    void SetSizeLabel(QLabel* pLabel) { m_pSizeLabel = pLabel; }
    // Both fields can be dragged from (read-only, they refuse drops).
    void RegisterDropTargets();

    // The label and the size field's accessible name follow the size shown.
    void ShowMeasure(SizeMeasure measure);
    void ShowCounters(const ScanCounters& counters, SizeMeasure measure);
    // False when "Size:" is empty (no scan yet, or its results dropped).
    bool HasCounters();
    void ClearCounters();
    void ShowSelection(const QString& summary);

private:
    CExtEdit m_editSelected;
    CExtEdit m_editSize;
    CExtEdit m_editContains;
    QLabel* m_pSizeLabel = nullptr;
};
