// Opening the Largest files window from the list's rows.
#include "LargestFilesOpener.h"

#include "CategoryTable.h"
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

std::string CLargestFilesOpener::TitleOf(const ChosenRows& rows)
{
    std::vector<std::string> names;
    for (const EXTINFO* pRecord : rows.records)
        names.push_back(ExtTable::DisplayName(*pRecord));
    for (const std::optional<FileTypeCategory>& category : rows.categories)
        names.emplace_back(CategoryTable::DisplayName(CategoryRow{category}));
    std::string shown;
    std::size_t nNotShown = 0;
    for (const std::string& name : names) {
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

void CLargestFilesOpener::Open(const ChosenRows& rows, const QString& root, const FolderWalkOptions& scannedOptions,
                               QWidget* parent)
{
    std::vector<std::string> extensions;
    for (const EXTINFO* pRecord : rows.records)
        extensions.push_back(pRecord->szExt);   // "" for the "(none)" row
    std::vector<FileTypeCategory> categories;
    for (const std::optional<FileTypeCategory>& category : rows.categories) {
        if (category)
            categories.push_back(*category);
        else
            extensions.emplace_back();   // the "(none)" row of the rows by type
    }
    auto* pWindow = new CLargestFilesDlg(QFile::encodeName(root).toStdString(), std::move(extensions),
                                         QString::fromStdString(TitleOf(rows)), parent);
    // The categories the rows were gathered by: the ones read when the list was made.
    if (!categories.empty())
        pWindow->SetCategories(std::move(categories), FileTypeCategories::System());
    pWindow->Start(scannedOptions);
    pWindow->show();
}
