#include "grid/cell_delegate.h"

#include "grid/ug_ctrl.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPainter>

#include <optional>

namespace plotwright::grid {
namespace {

constexpr const char* ownedByGrid = "plotwrightGridEditor";

QLineEdit* asLineEdit(QWidget* editor)
{
    return qobject_cast<QLineEdit*>(editor);
}

// The end of editing that a key in the editor asks for, if any. Left and Right end
// the edit only at the start and end of the text, so that they still move the caret.
std::optional<CUGCtrl::EditEnd> endKey(QWidget* editor, const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier)
        return std::nullopt;
    const bool shift = key.modifiers() & Qt::ShiftModifier;
    switch (key.key()) {
    case Qt::Key_Tab:
        return shift ? CUGCtrl::EditEnd::BackTab : CUGCtrl::EditEnd::Tab;
    case Qt::Key_Backtab:
        return CUGCtrl::EditEnd::BackTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return CUGCtrl::EditEnd::Enter;
    case Qt::Key_Escape:
        return CUGCtrl::EditEnd::Escape;
    case Qt::Key_Up:
        return CUGCtrl::EditEnd::Up;
    case Qt::Key_Down:
        return CUGCtrl::EditEnd::Down;
    case Qt::Key_Left:
        if (QLineEdit* line = asLineEdit(editor); line && !shift && !line->hasSelectedText()
                                                   && line->cursorPosition() == 0)
            return CUGCtrl::EditEnd::Left;
        return std::nullopt;
    case Qt::Key_Right:
        if (QLineEdit* line = asLineEdit(editor); line && !shift && !line->hasSelectedText()
                                                   && line->cursorPosition() == line->text().size())
            return CUGCtrl::EditEnd::Right;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

CellDelegate::CellDelegate(CUGCtrl& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    QWidget* editor = grid_.TakePendingEditor();
    if (editor) {
        editor->setProperty(ownedByGrid, false);
        if (editor->parentWidget() != parent)
            editor->setParent(parent);
    } else {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        line->setProperty(ownedByGrid, true);
        editor = line;
    }
    grid_.EditorOpened(editor, index);
    return editor;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QVariant font = index.data(Qt::FontRole);
    editor->setFont(font.isValid() ? font.value<QFont>() : grid_.font());
    const QString text = index.data(Qt::EditRole).toString();
    if (QLineEdit* line = asLineEdit(editor)) {
        line->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
        line->setText(text);
        return;
    }
    const QMetaProperty user = editor->metaObject()->userProperty();
    if (user.isValid())
        user.write(editor, text);
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, editorText(editor), Qt::EditRole);
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

void CellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor->property(ownedByGrid).toBool())
        QStyledItemDelegate::destroyEditor(editor, index);
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    const bool focus = opt.state & QStyle::State_HasFocus;
    // The focus frame is the grid's to draw, through its notification.
    opt.state &= ~QStyle::State_HasFocus;
    // A cell without a background of its own shows the system's window colour, not
    // whatever the grid paints outside the cells.
    if (!index.data(Qt::BackgroundRole).isValid())
        painter->fillRect(opt.rect, opt.palette.brush(QPalette::Base));
    QStyledItemDelegate::paint(painter, opt, index);
    if (focus)
        grid_.DrawCellFocus(painter, index, opt.rect);
}

QString CellDelegate::editorText(const QWidget* editor)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    const QMetaProperty user = editor->metaObject()->userProperty();
    return user.isValid() ? user.read(editor).toString() : QString();
}

bool CellDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    if (!editor || editor != grid_.GetEditor())
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Keep the end keys away from shortcuts of the surrounding window.
        if (endKey(editor, *static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (const auto how = endKey(editor, *static_cast<QKeyEvent*>(event))) {
            grid_.FinishEdit(*how);
            return true;
        }
        return false;
    case QEvent::FocusOut: {
        // The window losing activation or a popup opening is no end of the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (w == editor)
                return false;
        grid_.FinishEdit(CUGCtrl::EditEnd::FocusLost);
        return false;
    }
    default:
        return false;
    }
}

} // namespace plotwright::grid
