// "Largest files..." from the window's rows: a window of the rows' largest files below the folder
// the rows were counted in, titled with the rows' extensions.
#pragma once

#include "FolderWalk.h"

#include <QString>

#include <string>
#include <vector>

struct EXTINFO;
class QWidget;

class CLargestFilesOpener {
public:
    // The extensions as the title names them: the first ones, as many as fit in a title, then
    // how many more there are.
    static std::string TitleOf(const std::vector<const EXTINFO*>& records);
    // Opens the window, owned by `parent` so that its walk ends before the program does (it
    // deletes itself once closed), and starts its walk with the walk choices that counted the
    // rows, so what they left out stays out of it. `root` is the folder as typed.
    static void Open(const std::vector<const EXTINFO*>& records, const QString& root,
                     const FolderWalkOptions& scannedOptions, QWidget* parent);
};
