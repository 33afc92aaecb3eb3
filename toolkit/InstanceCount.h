// How many running processes execute a program, told by the /proc/<pid>/exe links: the number of
// running copies of this program makes each copy's placement entry name its own.
#pragma once

#include <QString>

// Processes listed under `procRoot` whose exe link reads `executable`; 0 when the folder cannot be
// listed. Processes of other users, whose links cannot be read, are not counted.
int CountProcessesRunning(const QString& executable, const QString& procRoot = QStringLiteral("/proc"));

// This program's running copies, itself included; 0 when /proc cannot tell.
int CountRunningCopies();
