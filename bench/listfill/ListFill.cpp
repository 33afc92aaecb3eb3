// list_fill: times the extension list with 100,000 distinct extensions: filling it, selecting every
// row, re-sorting with everything selected, and a scattered selection of 50,000 single rows.
// Prints one line per step; exits 1 when filling or selecting all takes a second or more.
#include "ExtInfo.h"
#include "ScanResult.h"
#include "ExtListCtrl.h"

#include <QApplication>
#include <QItemSelection>
#include <QItemSelectionModel>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 100000;
constexpr double kBudgetMs = 1000.0;

// Records as a scan hands them over: distinct extensions, varied counts and sizes, linked newest first.
ScanResult MakeResult(int count, std::uint64_t& totalFiles)
{
    EXTINFO* pHead = nullptr;
    std::uint64_t seed = 88172645463325252ull;
    for (int i = 0; i < count; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        pHead = new EXTINFO{1 + seed % 5000, (seed >> 8) % (64ull << 30), pHead,
                            ".x" + std::to_string(seed % 1000003) + "_" + std::to_string(i)};
        totalFiles += pHead->nCount;
    }
    return ScanResult(ScanCounters{}, pHead, ScanEnding::Finished);
}

double TimeMs(const std::function<void()>& step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

void Report(const char* step, double ms)
{
    std::printf("list_fill: %-44s %9.1f ms\n", step, ms);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::uint64_t totalFiles = 0;
    ScanResult result = MakeResult(kRecords, totalFiles);

    CExtListCtrl list;
    list.InitColumns();
    list.resize(640, 480);
    list.show();
    QCoreApplication::sendPostedEvents();

    // Each step includes the repaint it causes, as the user waits for that too.
    const double fill = TimeMs([&] {
        list.FillList(std::move(result));
        list.repaint();
    });
    Report("fill 100,000 rows (Ext ascending) + paint", fill);

    const double selectAll = TimeMs([&] {
        list.selectAll();
        list.repaint();
    });
    Report("select all + paint", selectAll);
    bool ok = list.Table().SelectedFiles() == totalFiles && list.Table().RowCount() == kRecords;

    Report("sort by Count, all selected + paint", TimeMs([&] {
        list.OnColumnClick(CExtTableModel::ColumnCount);
        list.repaint();
    }));
    Report("sort by Size, all selected + paint", TimeMs([&] {
        list.OnColumnClick(CExtTableModel::ColumnSize);
        list.repaint();
    }));
    ok = ok && list.Table().SelectedFiles() == totalFiles;

    Report("click one row (ClearAndSelect) + paint", TimeMs([&] {
        const QModelIndex row = list.model()->index(kRecords / 2, 0);
        list.selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list.repaint();
    }));
    ok = ok && list.Table().SelectedFiles() == list.Table().RecordAt(kRecords / 2)->nCount;

    // Worst case for the selection model: 50,000 separate ranges.
    QItemSelection everyOther;
    std::uint64_t everyOtherFiles = 0;
    for (int row = 0; row < kRecords; row += 2) {
        everyOther.select(list.model()->index(row, 0), list.model()->index(row, CExtTableModel::ColumnPercent));
        everyOtherFiles += list.Table().RecordAt(row)->nCount;
    }
    Report("select every other row at once + paint", TimeMs([&] {
        list.selectionModel()->select(everyOther, QItemSelectionModel::ClearAndSelect);
        list.repaint();
    }));
    ok = ok && list.Table().SelectedFiles() == everyOtherFiles;

    Report("clear selection + paint", TimeMs([&] {
        list.clearSelection();
        list.repaint();
    }));
    Report("clear list + paint", TimeMs([&] {
        list.ClearList();
        list.repaint();
    }));

    if (!ok) {
        std::printf("list_fill: FAIL selection totals do not match the records\n");
        return 1;
    }
    const bool fast = fill < kBudgetMs && selectAll < kBudgetMs;
    std::printf("list_fill: %s fill and select-all each under %.0f ms\n", fast ? "PASS" : "FAIL", kBudgetMs);
    return fast ? 0 : 1;
}
