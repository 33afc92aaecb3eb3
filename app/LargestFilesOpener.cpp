// Opening the Largest files window from the list's rows.
#include "LargestFilesOpener.h"

#include "ExtInfo.h"
#include "ExtTable.h"
#include "Format.h"
#include "LargestFilesDlg.h"
#include "Resource.h"
#include "StringTable.h"

#include <QFile>

namespace {

// A title naming the extensions of the rows asked about names this many characters of them at
// most, then says how many more there are: thousands would run far past any title bar.
constexpr std::size_t kTitleExtensionsChars = 60;

} // namespace

std::string CLargestFilesOpener::TitleOf(const std::vector<const EXTINFO*>& records)
{
    std::string shown;
    std::size_t nNotShown = 0;
    for (const EXTINFO* pRecord : records) {
        const std::string name = ExtTable::DisplayName(*pRecord);
        if (nNotShown > 0 || (!shown.empty() && shown.size() + name.size() > kTitleExtensionsChars)) {
            ++nNotShown;
            continue;
        }
        if (!shown.empty())
            shown += LoadString(IDS_LARGEST_EXT_SEPARATOR);
        shown += name;
    }
    if (nNotShown > 0)
        shown = FormatString(IDS_FMT_LARGEST_TITLE_MORE, {shown, FormatNumber(nNotShown)});
    return shown;
}

void CLargestFilesOpener::Open(const std::vector<const EXTINFO*>& records, const QString& root,
                               const FolderWalkOptions& scannedOptions, QWidget* parent)
{
    std::vector<std::string> extensions;
    for (const EXTINFO* pRecord : records)
        extensions.push_back(pRecord->szExt);   // "" for the "(none)" row
    auto* pWindow = new CLargestFilesDlg(QFile::encodeName(root).toStdString(), std::move(extensions),
                                         QString::fromStdString(TitleOf(records)), parent);
    pWindow->Start(scannedOptions);
    pWindow->show();
}
