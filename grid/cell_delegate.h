#pragma once
// The item delegate of CUGCtrl: opens the editor the grid chose, fills it from the
// cell, writes its text back, and turns the editor's end keys and focus loss into
// CUGCtrl::FinishEdit calls instead of Qt's own commit-and-close handling.

#include <QStyledItemDelegate>

class CUGCtrl;

namespace plotwright::grid {

class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CellDelegate(CUGCtrl& grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Editors that belong to the grid's owner are only hidden, never deleted.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The text an editor holds: a line edit's text, else its user property.
    static QString editorText(const QWidget* editor);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    CUGCtrl& grid_;
};

} // namespace plotwright::grid
