// "Largest files..." from the window's rows: a window of the rows' largest files below the folder
// the rows were counted in, titled with the rows' extensions or file types.
#pragma once

#include "ChosenRows.h"
#include "FolderWalk.h"

#include <QString>

#include <string>

class QWidget;

class CLargestFilesOpener {
public:
    // The extensions (then the types) as the title names them: the first ones, as many as fit in
    // a title, then how many more there are.
    static std::string TitleOf(const ChosenRows& rows);
    // Opens the window, owned by `parent` so that its walk ends before the program does (it
    // deletes itself once closed), and starts its walk with the walk choices that counted the
    // rows, so what they left out stays out of it. A type's row asks for every file whose
    // extension is of that type, as the rows were gathered. `root` is the folder as typed.
    static void Open(const ChosenRows& rows, const QString& root, const FolderWalkOptions& scannedOptions,
                     QWidget* parent);
};
