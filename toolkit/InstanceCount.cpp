#include "InstanceCount.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString ReadLink(const QString& path)
{
    return QFileInfo(path).symLinkTarget();
}

} // namespace

int CountProcessesRunning(const QString& executable, const QString& procRoot)
{
    const QDir proc(procRoot);
    if (executable.isEmpty() || !proc.exists())
        return 0;
    int nCount = 0;
    for (const QString& name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool bProcess = false;
        name.toLongLong(&bProcess);
        if (bProcess && ReadLink(proc.filePath(name) + QStringLiteral("/exe")) == executable)
            ++nCount;
    }
    return nCount;
}

int CountRunningCopies()
{
    return CountProcessesRunning(ReadLink(QStringLiteral("/proc/self/exe")));
}
