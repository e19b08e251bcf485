#pragma once
// A general-purpose grid window: cells with text, font, alignment, background, a
// read-only flag and an owner's reference; joined cells; row heights and headings;
// in-place editing started by a typed key and ended by navigation keys or focus loss.
// The owner customises it by overriding the On... notifications.
//
// The grid's own operations are named in UpperCamel so that they stand apart from
// the Qt view API it inherits. Columns and rows are 0-based; arguments go (col, row).

#include "grid/ug_cell.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

namespace plotwright::grid {
class GridModel;
class CellDelegate;
}

class CUGCtrl : public QTableView {
    Q_OBJECT

public:
    // The parts of the grid window, for the default-background and hint queries.
    enum class Section { Grid, TopHeading, SideHeading };

    // How an edit ended.
    enum class EditEnd { FocusLost, Tab, BackTab, Enter, Up, Down, Left, Right, Escape };

    explicit CUGCtrl(QWidget* parent = nullptr);
    ~CUGCtrl() override;

    // Takes the place of `dialog`'s child control `controlId` (property "controlId" or
    // object name "control<id>"): same parent, geometry and id; the placeholder is
    // hidden. Takes the dialog's font and runs OnSetup. False when no such child exists.
    bool AttachGrid(QWidget* dialog, int controlId);

    void SetNumberRows(int rows);
    int GetNumberRows() const;
    void SetNumberCols(int cols);
    int GetNumberCols() const;
    bool DeleteRow(int row);
    // Forgets what every cell sets for itself; sizes, defaults and joins stay.
    void ClearAllCells();

    // The cell as shown: grid default, column default and own settings laid over each
    // other, with the grid's font where none of them sets one. False outside the grid.
    bool GetCell(int col, int row, CUGCell* cell) const;
    // Replaces the cell's own settings.
    bool SetCell(int col, int row, const CUGCell& cell);
    bool QuickSetText(int col, int row, const QString& text);

    void GetGridDefault(CUGCell* cell) const;
    void SetGridDefault(const CUGCell& cell);
    bool GetColDefault(int col, CUGCell* cell) const;
    bool SetColDefault(int col, const CUGCell& cell);

    // Shows the rectangle as one cell, the anchor (top-left) cell's. Fails outside the
    // grid and over another joined range.
    bool JoinCells(int startCol, int startRow, int endCol, int endRow);

    // Pixel sizes. New rows take the default height (20), new columns the default width (75).
    void SetDefRowHeight(int height);
    void SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;
    void SetDefColWidth(int width);
    void SetColWidth(int col, int width);
    int GetColWidth(int col) const;
    // 0 hides the heading.
    void SetTopHeadingHeight(int height);
    void SetSideHeadingWidth(int width);

    // Lines between cells.
    void SetDefaultCellBorders(bool on);
    // Highlight the whole row of the current cell instead of the cell alone.
    void SetHighlightRow(bool on);
    // Qt's backing store always buffers painting; the setting is kept for the owner.
    void SetDoubleBufferMode(bool on) { doubleBuffer_ = on; }
    bool GetDoubleBufferMode() const { return doubleBuffer_; }
    // Dragging column and row edges.
    void SetUserSizingMode(bool on);
    // Tooltips from OnHint.
    void EnableHints(bool on) { hints_ = on; }

    int GetCurrentCol() const;
    int GetCurrentRow() const;
    bool GotoCell(int col, int row);

    // Opens the editor on the current cell when it is editable and OnEditStart allows
    // it. A non-zero `firstKey` (a character code) is typed into the editor at once,
    // replacing its selected text. Returns whether an editor opened.
    bool StartEdit(int firstKey = 0);
    bool IsEditing() const { return editor_ != nullptr; }
    QWidget* GetEditor() const { return editor_; }
    // With this on, Tab and Shift+Tab in an editor go on to the next or previous editable
    // cell in reading order and, past the last or first one, leave the grid for the next
    // or previous control; without an editor they leave the grid at once. Off by default:
    // Tab then moves to the neighbouring column only, and the view keeps the key.
    void SetTabLeavesGrid(bool on);
    // Closes an open editor without notifications and without writing the cell.
    void CancelEdit();

    // Repaints the whole window now.
    void RedrawAll();

protected:
    // Notifications; the defaults suit a plain grid.
    // After AttachGrid.
    virtual void OnSetup() {}
    // A character typed while the grid (not an editor) has the focus. The default ignores it.
    virtual void OnCharDown(int* key) { (void)key; }
    // Before an edit: return false to refuse it; set *editor to a widget of your own
    // (a child of viewport(), kept and reused by you) or leave it null for a line edit.
    virtual bool OnEditStart(int col, int row, QWidget** editor);
    // At the end of an edit: return false to keep the editor open with its text and
    // the focus. *cancelFlag arrives set for Escape; when it is set on return, the grid
    // does not write `text` into the cell.
    virtual bool OnEditFinish(int col, int row, QWidget* editor, const QString& text, bool* cancelFlag);
    // Background of the parts not covered by cells; the default is the system colours.
    virtual QColor OnGetDefBackColor(Section section);
    // Tooltip of a cell while hints are on; return false for none.
    virtual bool OnHint(int col, int row, Section section, QString* text);
    // Draws the current cell's focus frame; the default is a dotted frame inside `rect`.
    virtual void OnDrawFocusRect(QPainter* painter, QRect rect);

    // A dotted one-pixel frame on the outermost pixels of `rect`.
    static void DrawDottedFocusRect(QPainter* painter, const QRect& rect, const QColor& color);

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class plotwright::grid::CellDelegate;

    // Called by the delegate when the editor reports an end key or loses the focus.
    void FinishEdit(EditEnd how);
    // The editor chosen by OnEditStart for the edit being opened (null: a line edit).
    QWidget* TakePendingEditor();
    void EditorOpened(QWidget* editor, const QModelIndex& index);
    // The anchor of the cell's join, or the cell itself.
    QModelIndex AnchorOf(const QModelIndex& index) const;
    QModelIndex Neighbour(const QModelIndex& anchor, EditEnd how) const;
    // The next (or previous) editable anchor cell in reading order; invalid when none.
    QModelIndex NextEditable(const QModelIndex& anchor, bool forward) const;
    void ApplyJoins();
    void ApplyHeadingColours();
    void DrawCellFocus(QPainter* painter, const QModelIndex& index, const QRect& rect);

    plotwright::grid::GridModel* model_;
    plotwright::grid::CellDelegate* delegate_;
    QPointer<QWidget> editor_;
    QPersistentModelIndex editIndex_;
    QWidget* pendingEditor_ = nullptr;
    bool finishing_ = false;
    bool doubleBuffer_ = true;
    bool hints_ = true;
    bool tabLeaves_ = false;
};
