#pragma once
// The table model behind CUGCtrl: the cells' own settings, the column defaults, the
// grid's default cell and the joined ranges. Reading a cell lays the grid default,
// the column default and the cell's own settings over each other.

#include "grid/ug_cell.h"

#include <QAbstractTableModel>

#include <vector>

namespace plotwright::grid {

// A rectangle of cells shown as one; its top-left cell is the anchor.
struct JoinedRange {
    int firstCol = 0;
    int firstRow = 0;
    int lastCol = 0;
    int lastRow = 0;

    bool contains(int col, int row) const
    {
        return col >= firstCol && col <= lastCol && row >= firstRow && row <= lastRow;
    }
    bool operator==(const JoinedRange&) const = default;
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Edit and display role: the cell's text.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // New rows are empty; new columns take a copy of the grid's default cell as
    // their column default. Shrinking drops cells and joins outside the new size.
    void setRows(int rows);
    void setCols(int cols);
    // Removes the row and the joins that touch it; later rows and joins move up.
    bool removeRowAt(int row);
    // Forgets the own settings of every cell; sizes, defaults and joins stay.
    void clearCells();

    // The grid default, the column default and the cell's own settings laid over
    // each other. Outside the grid: the grid default alone.
    CUGCell mergedCell(int col, int row) const;
    // The cell's own settings; false outside the grid.
    bool ownCell(int col, int row, CUGCell* cell) const;
    bool setOwnCell(int col, int row, const CUGCell& cell);

    const CUGCell& gridDefault() const { return gridDefault_; }
    void setGridDefault(const CUGCell& cell);
    bool colDefault(int col, CUGCell* cell) const;
    bool setColDefault(int col, const CUGCell& cell);

    // Fails for a range outside the grid, reversed, or overlapping another join.
    bool join(const JoinedRange& range);
    const std::vector<JoinedRange>& joins() const { return joins_; }
    // The join that covers the cell, or null.
    const JoinedRange* joinAt(int col, int row) const;

signals:
    // The set of joins changed; the view re-applies its spans.
    void joinsChanged();

private:
    CUGCell& cellRef(int col, int row) { return cells_[static_cast<std::size_t>(row) * cols_ + col]; }
    const CUGCell& cellRef(int col, int row) const { return cells_[static_cast<std::size_t>(row) * cols_ + col]; }
    bool isOwn(const QModelIndex& index) const;
    bool inside(int col, int row) const { return col >= 0 && col < cols_ && row >= 0 && row < rows_; }
    void dropJoinsOutside();

    int rows_ = 0;
    int cols_ = 0;
    std::vector<CUGCell> cells_;  // row by row
    std::vector<CUGCell> colDefaults_;
    CUGCell gridDefault_;
    std::vector<JoinedRange> joins_;
};

} // namespace plotwright::grid
