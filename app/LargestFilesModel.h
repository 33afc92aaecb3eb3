// The rows of the "Largest files" window: one file each (name, folder, size, last modified),
// sortable by any column, refilled while the walk that finds them runs. Window's thread only.
#pragma once

#include "LargestFiles.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class CLargestFilesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnName = 0, ColumnFolder = 1, ColumnSize = 2, ColumnModified = 3, ColumnTotal = 4 };

    explicit CLargestFilesModel(QObject* pParent = nullptr);

    // Shows `files` (the walk's answer so far) in the current order. The selection and the
    // current row stay on the same files; a file marked gone stays marked. Nothing changes when
    // the files are the ones shown already.
    void SetFiles(const std::vector<LargestFile>& files);
    // A new column starts ascending for the names and largest (newest) first for the numbers; the
    // same column flips direction. Files equal in the column keep their order by path.
    void OnColumnClick(int column);
    int SortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bAscending; }

    // Null outside the rows.
    const LargestFile* FileAt(int row) const;
    // The file at `row` no longer exists: its name is shown greyed, with a note.
    void MarkGone(int row);
    bool IsGone(int row) const;
    // The text a gone row's name is drawn in (the view's disabled text colour).
    void SetGoneColor(const QColor& color) { m_crGone = color; }

    // The path's last name and the folder before it, as the bytes hold them.
    static std::string NameOf(const std::string& path);
    static std::string FolderOf(const std::string& path);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // What a row shows, made once when the file arrives, so that painting only reads it.
    struct Row {
        LargestFile file;
        QString name;     // shown: escaped so that no byte can break the row
        QString folder;   // shown, likewise
        QString size;     // grouped digits
        QString modified; // the locale's short date and time
        bool bGone = false;
    };

    Row MakeRow(const LargestFile& file) const;
    bool IsShown(const std::vector<LargestFile>& files) const;
    bool Precedes(const Row& left, const Row& right) const;
    void SortRows();
    // Takes the new rows (null: keeps the rows) and puts them in the current order, moving every
    // persistent index (selection, current row) with its file; indexes of files no longer shown go.
    void Reorder(std::vector<Row>* pNewRows);

    std::vector<Row> m_rows;                    // in display order
    std::vector<LargestFile> m_shown;           // the files last given, in the walk's order
    std::unordered_set<std::string> m_gone;     // paths found missing
    int m_nSortColumn = ColumnSize;
    bool m_bAscending = false;                  // the walk's own order: largest first
    QColor m_crGone;
    std::uint64_t m_nLargestBytes = 0;          // of the files shown, the size bars' whole
};
