#include "grid/ug_ctrl.h"

#include "grid/cell_delegate.h"
#include "grid/grid_model.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLayout>
#include <QPainter>
#include <QToolTip>

using plotwright::grid::CellDelegate;
using plotwright::grid::GridModel;
using plotwright::grid::JoinedRange;

namespace {

constexpr int defaultRowHeight = 20;
constexpr int defaultColWidth = 75;

} // namespace

CUGCtrl::CUGCtrl(QWidget* parent)
    : QTableView(parent), model_(new GridModel(this)), delegate_(new CellDelegate(*this))
{
    setModel(model_);
    setItemDelegate(delegate_);
    // Editing starts only through StartEdit, never by a click or a double click.
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()})
        header->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(defaultColWidth);
    verticalHeader()->setDefaultSectionSize(defaultRowHeight);
    // paintEvent fills the area outside the cells with OnGetDefBackColor.
    viewport()->setAutoFillBackground(false);
    connect(model_, &GridModel::joinsChanged, this, &CUGCtrl::ApplyJoins);
}

CUGCtrl::~CUGCtrl()
{
    CancelEdit();
}

bool CUGCtrl::AttachGrid(QWidget* dialog, int controlId)
{
    if (!dialog)
        return false;
    const QString name = QStringLiteral("control%1").arg(controlId);
    QWidget* placeholder = nullptr;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (w == this || isAncestorOf(w))
            continue;
        const QVariant id = w->property("controlId");
        if ((id.isValid() && id.toInt() == controlId) || w->objectName() == name) {
            placeholder = w;
            break;
        }
    }
    if (!placeholder)
        return false;

    QWidget* parent = placeholder->parentWidget();
    const bool visible = !placeholder->isHidden();
    setParent(parent);
    QLayout* layout = parent->layout();
    if (layout && layout->indexOf(placeholder) >= 0)
        delete layout->replaceWidget(placeholder, this);
    else
        setGeometry(placeholder->geometry());
    placeholder->hide();
    // The grid takes over the placeholder's identity, so later look-ups find it.
    placeholder->setProperty("controlId", QVariant());
    placeholder->setObjectName(QString());
    setProperty("controlId", controlId);
    setObjectName(name);
    QWidget::setTabOrder(placeholder, this);
    setFont(dialog->font());
    setVisible(visible);
    OnSetup();
    return true;
}

void CUGCtrl::SetNumberRows(int rows)
{
    CancelEdit();
    model_->setRows(rows);
}

int CUGCtrl::GetNumberRows() const
{
    return model_->rowCount();
}

void CUGCtrl::SetNumberCols(int cols)
{
    CancelEdit();
    model_->setCols(cols);
}

int CUGCtrl::GetNumberCols() const
{
    return model_->columnCount();
}

bool CUGCtrl::DeleteRow(int row)
{
    CancelEdit();
    return model_->removeRowAt(row);
}

void CUGCtrl::ClearAllCells()
{
    CancelEdit();
    model_->clearCells();
}

bool CUGCtrl::GetCell(int col, int row, CUGCell* cell) const
{
    if (col < 0 || col >= GetNumberCols() || row < 0 || row >= GetNumberRows())
        return false;
    *cell = model_->mergedCell(col, row);
    if (!cell->HasFont())
        cell->SetFont(font());
    return true;
}

bool CUGCtrl::SetCell(int col, int row, const CUGCell& cell)
{
    return model_->setOwnCell(col, row, cell);
}

bool CUGCtrl::QuickSetText(int col, int row, const QString& text)
{
    CUGCell cell;
    if (!model_->ownCell(col, row, &cell))
        return false;
    cell.SetText(text);
    return model_->setOwnCell(col, row, cell);
}

void CUGCtrl::GetGridDefault(CUGCell* cell) const
{
    *cell = model_->gridDefault();
}

void CUGCtrl::SetGridDefault(const CUGCell& cell)
{
    model_->setGridDefault(cell);
}

bool CUGCtrl::GetColDefault(int col, CUGCell* cell) const
{
    return model_->colDefault(col, cell);
}

bool CUGCtrl::SetColDefault(int col, const CUGCell& cell)
{
    return model_->setColDefault(col, cell);
}

bool CUGCtrl::JoinCells(int startCol, int startRow, int endCol, int endRow)
{
    return model_->join({startCol, startRow, endCol, endRow});
}

void CUGCtrl::SetDefRowHeight(int height)
{
    verticalHeader()->setDefaultSectionSize(height);
}

void CUGCtrl::SetRowHeight(int row, int height)
{
    if (row >= 0 && row < GetNumberRows())
        setRowHeight(row, height);
}

int CUGCtrl::GetRowHeight(int row) const
{
    return rowHeight(row);
}

void CUGCtrl::SetDefColWidth(int width)
{
    horizontalHeader()->setDefaultSectionSize(width);
}

void CUGCtrl::SetColWidth(int col, int width)
{
    if (col >= 0 && col < GetNumberCols())
        setColumnWidth(col, width);
}

int CUGCtrl::GetColWidth(int col) const
{
    return columnWidth(col);
}

void CUGCtrl::SetTopHeadingHeight(int height)
{
    QHeaderView* header = horizontalHeader();
    if (height <= 0) {
        header->hide();
        return;
    }
    header->setFixedHeight(height);
    header->show();
    ApplyHeadingColours();
}

void CUGCtrl::SetSideHeadingWidth(int width)
{
    QHeaderView* header = verticalHeader();
    if (width <= 0) {
        header->hide();
        return;
    }
    header->setFixedWidth(width);
    header->show();
    ApplyHeadingColours();
}

void CUGCtrl::SetDefaultCellBorders(bool on)
{
    setShowGrid(on);
}

void CUGCtrl::SetHighlightRow(bool on)
{
    setSelectionBehavior(on ? SelectRows : SelectItems);
    const QModelIndex current = currentIndex();
    if (current.isValid())
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect
                                              | (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

void CUGCtrl::SetUserSizingMode(bool on)
{
    const auto mode = on ? QHeaderView::Interactive : QHeaderView::Fixed;
    horizontalHeader()->setSectionResizeMode(mode);
    verticalHeader()->setSectionResizeMode(mode);
}

int CUGCtrl::GetCurrentCol() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : -1;
}

int CUGCtrl::GetCurrentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool CUGCtrl::GotoCell(int col, int row)
{
    const QModelIndex index = AnchorOf(model_->index(row, col));
    // Moving away would make the view commit and close the editor behind our back.
    if (!index.isValid() || IsEditing())
        return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

void CUGCtrl::RedrawAll()
{
    ApplyHeadingColours();
    viewport()->repaint();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
}

QColor CUGCtrl::OnGetDefBackColor(Section section)
{
    return palette().color(section == Section::Grid ? QPalette::Window : QPalette::Button);
}

bool CUGCtrl::OnHint(int, int, Section, QString*)
{
    return false;
}

void CUGCtrl::OnDrawFocusRect(QPainter* painter, QRect rect)
{
    DrawDottedFocusRect(painter, rect, Qt::white);
}

void CUGCtrl::DrawDottedFocusRect(QPainter* painter, const QRect& rect, const QColor& color)
{
    if (rect.isEmpty())
        return;
    // Every other pixel of the outline, inverted, so that the frame shows on any
    // background and every pixel is touched once.
    QPolygon dots;
    auto dot = [&dots](int x, int y) {
        if (((x + y) & 1) == 0)
            dots << QPoint(x, y);
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        if (rect.bottom() != rect.top())
            dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        if (rect.right() != rect.left())
            dot(rect.right(), y);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter->setPen(QPen(color, 0));
    painter->drawPoints(dots);
    painter->restore();
}

void CUGCtrl::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), OnGetDefBackColor(Section::Grid));
    }
    QTableView::paintEvent(event);
}

bool CUGCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = AnchorOf(indexAt(help->pos()));
        QString text;
        if (hints_ && index.isValid() && OnHint(index.column(), index.row(), Section::Grid, &text) && !text.isEmpty())
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

QModelIndex CUGCtrl::AnchorOf(const QModelIndex& index) const
{
    if (!index.isValid())
        return index;
    if (const JoinedRange* j = model_->joinAt(index.column(), index.row()))
        return model_->index(j->firstRow, j->firstCol);
    return index;
}

void CUGCtrl::ApplyJoins()
{
    clearSpans();
    for (const JoinedRange& j : model_->joins()) {
        const int rows = j.lastRow - j.firstRow + 1;
        const int cols = j.lastCol - j.firstCol + 1;
        if (rows > 1 || cols > 1)
            setSpan(j.firstRow, j.firstCol, rows, cols);
    }
}

void CUGCtrl::ApplyHeadingColours()
{
    const std::pair<QHeaderView*, Section> headings[] = {
        {horizontalHeader(), Section::TopHeading},
        {verticalHeader(), Section::SideHeading},
    };
    for (const auto& [header, section] : headings) {
        if (header->isHidden())
            continue;
        QPalette p = header->palette();
        const QColor color = OnGetDefBackColor(section);
        p.setColor(QPalette::Button, color);
        p.setColor(QPalette::Window, color);
        header->setPalette(p);
    }
}

void CUGCtrl::DrawCellFocus(QPainter* painter, const QModelIndex& index, const QRect& rect)
{
    if (editor_ && editIndex_ == index)
        return;
    painter->save();
    OnDrawFocusRect(painter, rect);
    painter->restore();
}
