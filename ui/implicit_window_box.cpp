#include "ui/implicit_window_box.h"

#include "ui/numeric_edit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {

const QColor faultBack(255, 215, 215);

// As the dialog's range fields: seven whole digits, five decimals, expressions allowed.
void configure(NumericEdit& field, double lower, double upper, int integerDigits, int fractionDigits)
{
    field.SetBounds(lower, upper);
    field.SetFractionDigitLimit(fractionDigits);
    field.SetIntegerDigitLimit(integerDigits);
    field.SetSeparatorChars(L'.', L'\'');
    field.SetExpressionsAllowed(true);
}

} // namespace

ImplicitWindowBox::ImplicitWindowBox(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(2);
    for (int k = 0; k < 5; ++k) {
        fields_[k] = new NumericEdit(7, 5, this);
        fields_[k]->setObjectName(QLatin1String(FieldNames[k]));
        if (k < Grid)
            configure(*fields_[k], -1000000, 1000000, 7, 5);
        connect(fields_[k], &QLineEdit::textChanged, this, &ImplicitWindowBox::changed);
        // A committed expression may be shown rounded; the window takes its exact value.
        connect(fields_[k], &NumericEdit::expressionCommitted, this, [this, k](double value) {
            shown_[k] = {fields_[k]->text(), value};
            emit changed();
        });
    }
    auto* xLabel = new QLabel(tr("window x min., max."), this);
    auto* yLabel = new QLabel(tr("window y min., max."), this);
    gridUnit_ = new QComboBox(this);
    gridUnit_->setObjectName(QStringLiteral("gridUnit"));
    gridUnit_->addItems({tr("grid cells"), tr("grid cell size")});
    gridUnit_->setToolTip(tr("The grid that finds the curve's branches: cells along the window's longer side, or "
                             "the size of one cell; branches smaller than a cell can be missed"));
    connect(gridUnit_, &QComboBox::activated, this, [this](int index) {
        SetGridUnit(index == 1);
        // The number shown now means the other unit: it is taken as shown.
        shown_[Grid] = {};
        emit changed();
    });
    SetGridUnit(false);
    layout->addWidget(xLabel, 0, 0);
    layout->addWidget(fields_[XMin], 0, 1);
    layout->addWidget(fields_[XMax], 0, 2);
    layout->addWidget(yLabel, 1, 0);
    layout->addWidget(fields_[YMin], 1, 1);
    layout->addWidget(fields_[YMax], 1, 2);
    layout->addWidget(gridUnit_, 2, 0);
    layout->addWidget(fields_[Grid], 2, 1);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);
    SetWindow({-5, 5, -5, 5, 0, 0});
}

void ImplicitWindowBox::SetGridUnit(bool cellSize)
{
    const QSignalBlocker quiet(gridUnit_);
    gridUnit_->setCurrentIndex(cellSize ? 1 : 0);
    // A count is whole; a size has decimals. Neither is negative.
    configure(*fields_[Grid], cellSize ? 0 : 1, 1000000, -7, cellSize ? 5 : 0);
}

void ImplicitWindowBox::SetWindow(const ImplicitWindow& window)
{
    const bool cellSize = window.cellSize > 0;
    SetGridUnit(cellSize);
    const double values[] = {window.xMin, window.xMax, window.yMin, window.yMax,
                             cellSize ? window.cellSize
                                      : static_cast<double>(window.gridCells > 0 ? window.gridCells : kDefaultGridCells)};
    for (int k = 0; k < 5; ++k) {
        const QSignalBlocker quiet(fields_[k]);
        fields_[k]->SetNumber(values[k], true);
        shown_[k] = {fields_[k]->text(), values[k]};
    }
    // The default count is shown as a number but kept as "the default" until changed, so
    // that showing a stored curve does not change it.
    if (!cellSize && window.gridCells <= 0)
        shown_[Grid].exact = 0;
}

double ImplicitWindowBox::Value(Field field) const
{
    // A stored value with more digits than the field keeps is used as stored until the
    // field is changed: showing a curve must not change it.
    const Shown& shown = shown_[field];
    if (!shown.text.isEmpty() && fields_[field]->text() == shown.text)
        return shown.exact;
    return fields_[field]->GetNumber();
}

ImplicitWindow ImplicitWindowBox::Window() const
{
    ImplicitWindow window{Value(XMin), Value(XMax), Value(YMin), Value(YMax), 0, 0};
    const double grid = Value(Grid);
    if (gridUnit_->currentIndex() == 1)
        window.cellSize = grid;
    else
        // Counts beyond an int are refused by the sample limit long before: clamp, never overflow.
        window.gridCells = std::isfinite(grid) ? static_cast<int>(std::clamp(std::round(grid), 0.0, 2.0e9)) : 0;
    return window;
}

QString ImplicitWindowBox::Problem(Field* field) const
{
    for (int k = 0; k < 5; ++k) {
        if (const QString problem = fields_[k]->Problem(); !problem.isEmpty()) {
            if (field)
                *field = static_cast<Field>(k);
            return problem;
        }
    }
    // 0 would read as the default count: a user who types it means something else.
    const double grid = Value(Grid);
    const bool cellSize = gridUnit_->currentIndex() == 1;
    const bool defaultCount = !cellSize && grid == 0 && fields_[Grid]->text() == shown_[Grid].text;
    if (!defaultCount && (cellSize ? !(grid > 0) : !(grid >= 1))) {
        if (field)
            *field = Grid;
        return cellSize ? tr("The grid's cell size must be greater than 0.")
                        : tr("The grid needs at least one cell.");
    }
    return {};
}

void ImplicitWindowBox::Mark(Field field, const QString& message)
{
    for (int k = 0; k < 5; ++k) {
        const bool atFault = !message.isEmpty() && k == field;
        QPalette palette = fields_[k]->palette();
        palette.setColor(QPalette::Base, atFault ? faultBack : style()->standardPalette().color(QPalette::Base));
        fields_[k]->setPalette(palette);
        fields_[k]->setToolTip(atFault ? message : QString());
    }
}
