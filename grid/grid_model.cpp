#include "grid/grid_model.h"

#include <QBrush>

#include <algorithm>

namespace plotwright::grid {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

bool GridModel::isOwn(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && inside(index.column(), index.row());
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : cols_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!isOwn(index))
        return {};
    const CUGCell cell = mergedCell(index.column(), index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell.GetText();
    case Qt::FontRole:
        return cell.HasFont() ? QVariant(cell.GetFont()) : QVariant();
    case Qt::TextAlignmentRole:
        return static_cast<int>(cell.GetAlignment());
    case Qt::BackgroundRole:
        return cell.GetBackColor().isValid() ? QVariant(QBrush(cell.GetBackColor())) : QVariant();
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!isOwn(index) || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    cellRef(index.column(), index.row()).SetText(value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!isOwn(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!mergedCell(index.column(), index.row()).GetReadOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

void GridModel::setRows(int rows)
{
    rows = std::max(rows, 0);
    if (rows > rows_) {
        beginInsertRows(QModelIndex(), rows_, rows - 1);
        rows_ = rows;
        cells_.resize(static_cast<std::size_t>(rows_) * cols_);
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows(QModelIndex(), rows, rows_ - 1);
        rows_ = rows;
        cells_.resize(static_cast<std::size_t>(rows_) * cols_);
        endRemoveRows();
        dropJoinsOutside();
    }
}

void GridModel::setCols(int cols)
{
    cols = std::max(cols, 0);
    if (cols == cols_)
        return;
    // Cells are stored row by row, so a new width means a new layout.
    std::vector<CUGCell> resized(static_cast<std::size_t>(rows_) * cols);
    const int kept = std::min(cols, cols_);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < kept; ++c)
            resized[static_cast<std::size_t>(r) * cols + c] = cellRef(c, r);
    if (cols > cols_) {
        beginInsertColumns(QModelIndex(), cols_, cols - 1);
        cells_ = std::move(resized);
        colDefaults_.resize(cols, gridDefault_);
        cols_ = cols;
        endInsertColumns();
    } else {
        beginRemoveColumns(QModelIndex(), cols, cols_ - 1);
        cells_ = std::move(resized);
        colDefaults_.resize(cols);
        cols_ = cols;
        endRemoveColumns();
        dropJoinsOutside();
    }
}

bool GridModel::removeRowAt(int row)
{
    if (row < 0 || row >= rows_)
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(row) * cols_;
    cells_.erase(first, first + cols_);
    --rows_;
    endRemoveRows();

    const std::size_t before = joins_.size();
    std::erase_if(joins_, [row](const JoinedRange& j) { return row >= j.firstRow && row <= j.lastRow; });
    bool moved = false;
    for (JoinedRange& j : joins_) {
        if (j.firstRow > row) {
            --j.firstRow;
            --j.lastRow;
            moved = true;
        }
    }
    if (moved || joins_.size() != before)
        emit joinsChanged();
    return true;
}

void GridModel::clearCells()
{
    std::fill(cells_.begin(), cells_.end(), CUGCell());
    if (rows_ > 0 && cols_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

CUGCell GridModel::mergedCell(int col, int row) const
{
    CUGCell merged = gridDefault_;
    if (col >= 0 && col < cols_)
        merged.Overlay(colDefaults_[col]);
    if (inside(col, row))
        merged.Overlay(cellRef(col, row));
    return merged;
}

bool GridModel::ownCell(int col, int row, CUGCell* cell) const
{
    if (!inside(col, row))
        return false;
    *cell = cellRef(col, row);
    return true;
}

bool GridModel::setOwnCell(int col, int row, const CUGCell& cell)
{
    if (!inside(col, row))
        return false;
    cellRef(col, row) = cell;
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i);
    return true;
}

void GridModel::setGridDefault(const CUGCell& cell)
{
    gridDefault_ = cell;
    if (rows_ > 0 && cols_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

bool GridModel::colDefault(int col, CUGCell* cell) const
{
    if (col < 0 || col >= cols_)
        return false;
    *cell = colDefaults_[col];
    return true;
}

bool GridModel::setColDefault(int col, const CUGCell& cell)
{
    if (col < 0 || col >= cols_)
        return false;
    colDefaults_[col] = cell;
    if (rows_ > 0)
        emit dataChanged(index(0, col), index(rows_ - 1, col));
    return true;
}

bool GridModel::join(const JoinedRange& range)
{
    if (!inside(range.firstCol, range.firstRow) || !inside(range.lastCol, range.lastRow)
        || range.lastCol < range.firstCol || range.lastRow < range.firstRow)
        return false;
    for (const JoinedRange& j : joins_) {
        const bool apart = range.lastCol < j.firstCol || range.firstCol > j.lastCol
                           || range.lastRow < j.firstRow || range.firstRow > j.lastRow;
        if (!apart)
            return false;
    }
    joins_.push_back(range);
    emit joinsChanged();
    return true;
}

const JoinedRange* GridModel::joinAt(int col, int row) const
{
    for (const JoinedRange& j : joins_)
        if (j.contains(col, row))
            return &j;
    return nullptr;
}

void GridModel::dropJoinsOutside()
{
    const auto removed = std::erase_if(joins_, [this](const JoinedRange& j) {
        return j.lastCol >= cols_ || j.lastRow >= rows_;
    });
    if (removed > 0)
        emit joinsChanged();
}

} // namespace plotwright::grid
