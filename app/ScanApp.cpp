#include "ScanApp.h"

#include "Resource.h"
#include "ResourceString.h"
#include "ScanDialog.h"

#include <QApplication>

bool CScanApp::InitInstance()
{
    // Drag and drop and the clipboard need no start of their own here, so there is no failure to
    // report before the settings are named.
    QApplication::setOrganizationName(QStringLiteral("Orvaldi"));
    QApplication::setApplicationName(LoadQString(AFX_IDS_APP_TITLE));

    CScanDialog dialog;
    dialog.DoModal();
    return false;
}
