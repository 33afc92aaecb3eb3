// The scans remembered with Options -> "Remember scans": each finished scan is written, as "Save
// list as..." writes JSON, to $XDG_STATE_HOME/kestrum/scans/ (~/.local/state/kestrum/scans/ when
// that is unset or not absolute), in one folder per scanned folder, at most kKept files in each,
// the oldest dropped first.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <string>

class ScanResult;

class CScanHistory {
public:
    static constexpr std::size_t kKept = 20;

    // The folder that holds every folder's scans.
    static QString Root();
    // The folder of root's scans: a readable part of its name and a hash of its absolute path,
    // so different folders never share one, whatever bytes their names hold.
    static QString FolderFor(const std::string& root);
    // The scans of root, oldest first.
    static QStringList Scans(const std::string& root);
    // The folder root names: resolved when it exists, else made absolute without its trailing "/".
    static std::string AbsoluteFolder(const std::string& root);
    // The newest scan of root; empty when there is none.
    static QString Newest(const std::string& root);

    // Writes `result`, a scan of root, as the newest scan of root and drops the oldest beyond
    // kKept. False with the reason in `error` (the files already there are kept). Tests: `at`
    // stands in for the time of writing (null: now).
    static bool Remember(const ScanResult& result, const std::string& root, std::string& error,
                         const QDateTime& at = QDateTime());

private:
    static QString NewName(const QString& folder, QDateTime stamp);
    static void DropOldest(const std::string& root);
};
