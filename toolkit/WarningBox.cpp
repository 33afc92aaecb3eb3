#include "WarningBox.h"

#include "Resource.h"
#include "ResourceString.h"

#include <QMessageBox>

void ShowWarningBox(QWidget* pParent, unsigned nIDText)
{
    QMessageBox::warning(pParent, LoadQString(AFX_IDS_APP_TITLE), LoadQString(nIDText), QMessageBox::Ok);
}
