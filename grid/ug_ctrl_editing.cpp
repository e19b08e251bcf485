// The editing half of CUGCtrl: starting an edit on a typed key, ending it on the
// editor's end keys or focus loss, and moving on to the neighbouring cell.
#include "grid/ug_ctrl.h"

#include "grid/cell_delegate.h"
#include "grid/grid_model.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTimer>

using plotwright::grid::CellDelegate;
using plotwright::grid::JoinedRange;

namespace {

// The key code Qt gives the key that types `ch` on a plain keyboard.
int qtKeyFor(char32_t ch)
{
    if (ch >= 0x20 && ch < 0x7f)
        return QChar(static_cast<char16_t>(ch)).toUpper().unicode();
    return Qt::Key_unknown;
}

} // namespace

bool CUGCtrl::StartEdit(int firstKey)
{
    if (IsEditing())
        return false;
    const QModelIndex index = AnchorOf(currentIndex());
    if (!index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable))
        return false;
    QWidget* chosen = nullptr;
    if (!OnEditStart(index.column(), index.row(), &chosen) || IsEditing())
        return false;
    if (index != currentIndex())
        setCurrentIndex(index);
    pendingEditor_ = chosen;
    // Forced open; the delegate asks TakePendingEditor for the editor.
    edit(index, AllEditTriggers, nullptr);
    pendingEditor_ = nullptr;
    if (!editor_)
        return false;
    if (firstKey > 0) {
        const char32_t ch = static_cast<char32_t>(firstKey);
        QKeyEvent key(QEvent::KeyPress, qtKeyFor(ch), Qt::NoModifier, QString::fromUcs4(&ch, 1));
        QWidget* target = editor_->focusProxy() ? editor_->focusProxy() : editor_.data();
        QApplication::sendEvent(target, &key);
    }
    return true;
}

void CUGCtrl::CancelEdit()
{
    if (!editor_)
        return;
    QWidget* editor = editor_;
    editor_ = nullptr;
    editIndex_ = QPersistentModelIndex();
    editor->removeEventFilter(delegate_);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool CUGCtrl::OnEditStart(int, int, QWidget**)
{
    return true;
}

bool CUGCtrl::OnEditFinish(int, int, QWidget*, const QString&, bool*)
{
    return true;
}

void CUGCtrl::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = event->text();
    if (!IsEditing() && mods == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint()) {
        int key = static_cast<int>(text.toUcs4().value(0));
        OnCharDown(&key);
        event->accept();
        return;
    }
    // The view would pass Enter on to the window, where it presses the default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// While an edit that was refused stays open, the grid ignores the mouse: a click must
// neither move the current cell nor let the view close the editor.
void CUGCtrl::mousePressEvent(QMouseEvent* event)
{
    if (IsEditing())
        return event->accept();
    QTableView::mousePressEvent(event);
}

void CUGCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (IsEditing())
        return event->accept();
    QTableView::mouseDoubleClickEvent(event);
}

void CUGCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (IsEditing())
        return event->accept();
    QTableView::mouseMoveEvent(event);
}

void CUGCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (IsEditing())
        return event->accept();
    QTableView::mouseReleaseEvent(event);
}

void CUGCtrl::FinishEdit(EditEnd how)
{
    if (!editor_ || finishing_)
        return;
    QWidget* editor = editor_;
    const QPersistentModelIndex index = editIndex_;
    if (!index.isValid())
        return CancelEdit();

    bool cancel = how == EditEnd::Escape;
    bool accepted = false;
    {
        // The handler may move the focus; that must not end the edit a second time.
        QScopedValueRollback<bool> guard(finishing_, true);
        accepted = OnEditFinish(index.column(), index.row(), editor, CellDelegate::editorText(editor), &cancel);
    }
    if (editor_ != editor)
        return;  // the handler closed the edit itself
    if (!accepted) {
        // Refused: the editor stays over the cell with its text and gets the focus back.
        // After a focus loss, only once the focus change under way has finished.
        if (how == EditEnd::FocusLost) {
            QTimer::singleShot(0, editor, [this, editor] {
                if (editor_ == editor)
                    editor->setFocus(Qt::OtherFocusReason);
            });
        } else {
            editor->setFocus(Qt::OtherFocusReason);
        }
        return;
    }

    if (!cancel)
        delegate_->setModelData(editor, model_, index);
    editor_ = nullptr;
    editIndex_ = QPersistentModelIndex();
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (how == EditEnd::Escape) {
        setFocus(Qt::OtherFocusReason);
        return;
    }
    if (how == EditEnd::FocusLost)
        return;
    const bool tab = how == EditEnd::Tab || how == EditEnd::BackTab;
    const QModelIndex next = tabLeaves_ && tab ? NextEditable(index, how == EditEnd::Tab) : Neighbour(index, how);
    if (!next.isValid()) {
        if (tabLeaves_ && tab)
            focusNextPrevChild(how == EditEnd::Tab);
        return;
    }
    setCurrentIndex(next);
    scrollTo(next);
    StartEdit();
}

void CUGCtrl::SetTabLeavesGrid(bool on)
{
    tabLeaves_ = on;
    setTabKeyNavigation(!on);
}

QModelIndex CUGCtrl::NextEditable(const QModelIndex& anchor, bool forward) const
{
    const int cols = model_->columnCount();
    const int cells = cols * model_->rowCount();
    int at = anchor.row() * cols + anchor.column();
    for (int step = 0; step < cells; ++step) {
        at += forward ? 1 : -1;
        if (at < 0 || at >= cells)
            return {};
        const QModelIndex candidate = model_->index(at / cols, at % cols);
        if (AnchorOf(candidate) == candidate && candidate != anchor && (model_->flags(candidate) & Qt::ItemIsEditable))
            return candidate;
    }
    return {};
}

QWidget* CUGCtrl::TakePendingEditor()
{
    return std::exchange(pendingEditor_, nullptr);
}

void CUGCtrl::EditorOpened(QWidget* editor, const QModelIndex& index)
{
    editor_ = editor;
    editIndex_ = index;
}

QModelIndex CUGCtrl::Neighbour(const QModelIndex& anchor, EditEnd how) const
{
    int firstCol = anchor.column(), lastCol = anchor.column();
    int firstRow = anchor.row(), lastRow = anchor.row();
    if (const JoinedRange* j = model_->joinAt(anchor.column(), anchor.row())) {
        firstCol = j->firstCol;
        lastCol = j->lastCol;
        firstRow = j->firstRow;
        lastRow = j->lastRow;
    }
    int col = anchor.column();
    int row = anchor.row();
    switch (how) {
    case EditEnd::Tab:
    case EditEnd::Right:
        col = lastCol + 1;
        break;
    case EditEnd::BackTab:
    case EditEnd::Left:
        col = firstCol - 1;
        break;
    case EditEnd::Enter:
    case EditEnd::Down:
        row = lastRow + 1;
        break;
    case EditEnd::Up:
        row = firstRow - 1;
        break;
    case EditEnd::FocusLost:
    case EditEnd::Escape:
        return {};
    }
    return AnchorOf(model_->index(row, col));
}
