// The scans remembered per folder.
#include "ScanHistory.h"

#include "ExtRowsWriter.h"
#include "ExtTable.h"
#include "FileTypeCategories.h"
#include "ScanResult.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace {

// The last part of the path, kept to letters, digits, "." and "-" (anything else, every byte of
// a name that is not ASCII among it, becomes "_"), at most 40 characters.
QString ReadablePart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    QString readable;
    for (const char c : name.substr(0, 40)) {
        const bool bPlain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        readable += bPlain ? QLatin1Char(c) : QLatin1Char('_');
    }
    // "." and ".." are no names for a folder of scans; the root folder has no last part.
    return readable.isEmpty() || readable == QLatin1String(".") || readable == QLatin1String("..") ? QStringLiteral("_") : readable;
}

} // namespace

std::string CScanHistory::AbsoluteFolder(const std::string& root)
{
    char resolved[PATH_MAX];
    if (!root.empty() && realpath(root.c_str(), resolved))
        return resolved;
    std::string folder = root;
    if (folder.empty() || folder.front() != '/')
        folder = QFile::encodeName(QDir::currentPath()).toStdString() + '/' + folder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

namespace {

// Makes path and the folders above it that are missing; 0, or the errno of the first that failed.
int MakeFolders(const std::string& path)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        struct stat status {};
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (stat(part.c_str(), &status) != 0)
            return errno;
        if (!S_ISDIR(status.st_mode))
            return ENOTDIR;
        if (end == std::string::npos)
            return 0;
    }
}

} // namespace

QString CScanHistory::Root()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/kestrum/scans");
}

QString CScanHistory::FolderFor(const std::string& root)
{
    const std::string folder = AbsoluteFolder(root);
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(folder), QCryptographicHash::Sha256);
    return Root() + QLatin1Char('/') + ReadablePart(folder) + QLatin1Char('-') + QString::fromLatin1(hash.toHex().left(16));
}

// The names are the times of writing, so their order by name is their age.
QStringList CScanHistory::Scans(const std::string& root)
{
    const QDir folder(FolderFor(root));
    QStringList scans;
    for (const QString& name : folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        scans.append(folder.filePath(name));
    return scans;
}

QString CScanHistory::Newest(const std::string& root)
{
    const QStringList scans = Scans(root);
    return scans.isEmpty() ? QString() : scans.last();
}

// "2026-12-08T12-03-01.123Z.json"; a scan ending in a millisecond already taken gets the next free
// one, so that the names keep the order of the scans.
QString CScanHistory::NewName(const QString& folder, QDateTime stamp)
{
    const auto name = [&folder](const QDateTime& at) {
        return folder + QLatin1Char('/') + at.toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss.zzzZ")) + QStringLiteral(".json");
    };
    while (QFileInfo::exists(name(stamp)))
        stamp = stamp.addMSecs(1);
    return name(stamp);
}

bool CScanHistory::Remember(const ScanResult& result, const std::string& root, std::string& error, const QDateTime& at)
{
    const QString folder = FolderFor(root);
    if (const int nError = MakeFolders(QFile::encodeName(folder).toStdString())) {
        error = std::strerror(nError);
        return false;
    }
    // Every row, the "(none)" row with them, largest first: the list as "Save list as..." writes it.
    ExtTable table(result, true);
    table.Order(ExtColumn::Size, false);
    const std::vector<std::size_t> order;
    const CExtRowsWriter writer(table, nullptr, order, FileTypeCategories::System());
    const QString name = NewName(folder, at.isNull() ? QDateTime::currentDateTimeUtc() : at.toUTC());
    if (!writer.Save(QFile::encodeName(name).toStdString(), true, root, result, error))
        return false;
    DropOldest(root);
    return true;
}

void CScanHistory::DropOldest(const std::string& root)
{
    const QStringList scans = Scans(root);
    for (qsizetype i = 0; i + static_cast<qsizetype>(kKept) < scans.size(); ++i)
        QFile::remove(scans.at(i));
}
