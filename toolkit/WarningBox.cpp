#include "WarningBox.h"

#include "Resource.h"
#include "ResourceString.h"

#include <QMessageBox>

void ShowWarningBox(QWidget* pParent, unsigned nIDText)
{
    ShowWarningBox(pParent, LoadQString(nIDText));
}

void ShowWarningBox(QWidget* pParent, const QString& text)
{
    QMessageBox::warning(pParent, LoadQString(AFX_IDS_APP_TITLE), text, QMessageBox::Ok);
}
