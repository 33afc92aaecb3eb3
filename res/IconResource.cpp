#include "IconResource.h"

#include "Resource.h"

// The images are linked in from a static library; naming the resource here keeps the linker
// from dropping them.
static void InitIconResources()
{
    Q_INIT_RESOURCE(kestrum_icons);
}

QIcon LoadIconResource(unsigned id)
{
    if (id != IDR_MAINFRAME)
        return QIcon();
    InitIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/kestrum/icons/kestrum-%1.png").arg(size), QSize(size, size));
    return icon;
}
