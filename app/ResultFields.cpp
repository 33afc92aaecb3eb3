// The result fields of the window.
#include "ResultFields.h"

#include "CountsText.h"
#include "Resource.h"
#include "ResourceString.h"

#include <QLabel>
#include <QString>

#include <string>

namespace {

// Writing leaves the caret after the text, and a field too narrow for it would show its end: a
// result is read from its first character. The text stays whole for dragging and copying.
void ShowFromStart(CExtEdit& field)
{
    field.GetEditControl().SetSel(0, 0);
}

void ShowText(CExtEdit& field, const std::string& text)
{
    field.GetEditControl().SetWindowText(QString());
    field.AppendText(QString::fromStdString(text));
    ShowFromStart(field);
    if (QWidget* pField = field.GetWidget())
        pField->repaint();
}

} // namespace

void CResultFields::Attach(QWidget* pContains, QWidget* pSize, QWidget* pSelected)
{
    m_editSelected.Attach(pSelected);
    m_editSize.Attach(pSize);
    m_editContains.Attach(pContains);
}

void CResultFields::RegisterDropTargets()
{
    m_editContains.RegisterDropTarget();
    m_editSize.RegisterDropTarget();
}

// The size field is named after the size it shows, as its label says.
void CResultFields::ShowMeasure(SizeMeasure measure)
{
    const bool bOnDisk = measure == SizeMeasure::OnDisk;
    if (m_pSizeLabel)
        m_pSizeLabel->setText(LoadQString(bOnDisk ? IDS_SIZE_ON_DISK_LABEL : IDS_SIZE_LABEL));
    if (QWidget* pSize = m_editSize.GetWidget())
        pSize->setAccessibleName(LoadQString(bOnDisk ? IDS_ACC_SIZE_ON_DISK : IDS_ACC_SIZE));
}

void CResultFields::ShowCounters(const ScanCounters& counters, SizeMeasure measure)
{
    ShowText(m_editContains, ContainsText(counters.nFolders, counters.nFiles));
    ShowText(m_editSize, SizeText(measure == SizeMeasure::OnDisk ? counters.nDiskBytes : counters.nBytes));
}

bool CResultFields::HasCounters()
{
    return !m_editSize.GetEditControl().GetWindowText().isEmpty();
}

void CResultFields::ClearCounters()
{
    m_editContains.GetEditControl().SetWindowText(QString());
    m_editSize.GetEditControl().SetWindowText(QString());
}

void CResultFields::ShowSelection(const QString& summary)
{
    m_editSelected.GetEditControl().SetWindowText(summary);
    ShowFromStart(m_editSelected);
    if (QWidget* pSelected = m_editSelected.GetWidget())
        pSelected->update();
}
