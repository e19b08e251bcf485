#include "ui/my_cug.h"

#include "grid/number_format.h"
#include "ui/constant_entry.h"

#include <QItemSelectionModel>
#include <QPainter>

#include <QStyle>

#include <array>
#include <charconv>
#include <utility>

namespace {

const QColor headingBack(220, 200, 180);
const QColor nameBack(17, 237, 250);
constexpr int parameterRowHeight = 30;
constexpr int columns = 6;

// The face, height and weight of the cells' font; every other value 0.
LogicalFont gridFontDescription()
{
    LogicalFont f;
    f.faceName = QStringLiteral("Arial");
    f.height = 14;
    f.weight = 200;
    return f;
}

// printf's "%5.2f" in any locale: two decimals, right-aligned in five characters.
QString cellNumber(double value)
{
    std::array<char, 400> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, 2);
    const QString digits = ec == std::errc() ? QString::fromLatin1(buffer.data(), end - buffer.data()) : QString();
    return digits.rightJustified(5, u' ');
}

bool withinBounds(double v, double low, double high)
{
    return low == high || (low <= v && v <= high);
}

const QColor refusedBack(255, 205, 205);

// The bounds that the value in column `col` of the parameter's row is checked against.
std::pair<double, double> boundsOf(const CEquationParameter& parameter)
{
    if (parameter.GetType() == Constant)
        return {parameter.GetMin(), parameter.GetMax()};
    return {parameter.GetMinSet(), parameter.GetMaxSet()};
}

// Writes `v` into the value that column `col` of the parameter's row shows, where the
// cell's bounds allow it. False when refused or when the column holds no value.
bool storeValue(CEquationParameter& parameter, int col, double v)
{
    const auto [low, high] = boundsOf(parameter);
    if (parameter.GetType() == Constant && col == 3) {
        if (!withinBounds(v, low, high))
            return false;
        parameter.SetValue(v);
        return true;
    }
    if (parameter.GetType() == RunningVariable && (col == 3 || col == 4)) {
        if (!withinBounds(v, low, high))
            return false;
        if (col == 3)
            parameter.SetMinValue(v);
        else
            parameter.SetMaxValue(v);
        return true;
    }
    if (parameter.GetType() == RunningVariable && col == 5) {
        parameter.SetIncrement(v);
        return true;
    }
    return false;
}

// The range prompt of the numeric fields, bounds in their trimmed form.
QString rangeText(double low, double high)
{
    plotwright::grid::NumberFormat format;
    return plotwright::grid::rangeMessage(low, high, format);
}

} // namespace

MyCug::MyCug(QWidget* parent) : CUGCtrl(parent)
{
    // Tab must be able to reach the rest of the dialog.
    SetTabLeavesGrid(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &MyCug::currentNumberChanged);
}

MyCug::~MyCug()
{
    // The numeric editor goes before the grid; no edit may still point at it.
    CancelEdit();
}

void MyCug::OnSetup()
{
    ClearAllCells();
    SetNumberRows(0);
    SetNumberCols(0);
    ApplySwitches();
}

void MyCug::ApplySwitches()
{
    SetDefaultCellBorders(false);
    SetHighlightRow(false);
    SetDoubleBufferMode(true);
    SetUserSizingMode(false);
    SetSideHeadingWidth(0);
    SetTopHeadingHeight(0);
}

void MyCug::SetEquation(CEquation* equation)
{
    for (int row = GetNumberRows() - 1; row >= 0; --row)
        DeleteRow(row);
    ClearAllCells();
    SetNumberRows(0);
    SetNumberCols(0);

    ApplySwitches();
    EnableHints(false);
    lastRow_ = -1;
    SetRefusal(QString());

    // Before the columns exist: each new column copies the grid's default cell.
    gridFont_ = &fonts_.FindOrCreate(gridFontDescription());
    CUGCell def;
    GetGridDefault(&def);
    def.SetFont(*gridFont_);
    def.SetReadOnly(true);
    SetGridDefault(def);

    if (equation) {
        const CEquation::Parameters& parameters = equation->GetParameters();
        SetNumberRows(static_cast<int>(parameters.size()) + 2);
        SetNumberCols(columns);
        for (const int kind : {Constant, RunningVariable}) {
            bool first = true;
            for (const CEquationParameterPtr& parameter : parameters) {
                if (parameter && parameter->GetType() == kind) {
                    AddParameterRow(parameter, first);
                    first = false;
                }
            }
        }
    }
    RedrawAll();
    viewport()->update();
    emit currentNumberChanged();
}

void MyCug::WriteHeadingRow(int row, int kind)
{
    static const QString constantTexts[columns] = {QStringLiteral("Parameter"), QStringLiteral("min."),
                                                   QStringLiteral("max."), QStringLiteral("Value"), {}, {}};
    static const QString variableTexts[columns] = {QStringLiteral("Parameter"), QStringLiteral("min."),
                                                   QStringLiteral("max."), QStringLiteral("value min."),
                                                   QStringLiteral("value max."), QStringLiteral("increment")};
    const QString* texts = kind == Constant ? constantTexts : variableTexts;
    for (int col = 0; col < columns; ++col) {
        CUGCell cell;
        cell.SetText(texts[col]);
        cell.SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        cell.SetBackColor(headingBack);
        cell.SetReadOnly(true);
        SetCell(col, row, cell);
    }
    if (kind == Constant)
        JoinCells(3, row, 5, row);
}

void MyCug::AddParameterRow(const CEquationParameterPtr& parameter, bool withHeading)
{
    const bool constant = parameter->GetType() == Constant;
    int row = lastRow_ + 1;
    if (withHeading) {
        WriteHeadingRow(lastRow_ + 1, parameter->GetType());
        row = lastRow_ + 2;
    }

    const double low = constant ? parameter->GetMin() : parameter->GetMinSet();
    const double high = constant ? parameter->GetMax() : parameter->GetMaxSet();
    const QString texts[3] = {
        QString::fromStdWString(parameter->GetName()),
        low == high ? QStringLiteral("-") : cellNumber(low),
        low == high ? QStringLiteral("-") : cellNumber(high),
    };
    for (int col = 0; col < 3; ++col) {
        CUGCell cell;
        cell.SetText(texts[col]);
        cell.SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        cell.SetBackColor(nameBack);
        SetCell(col, row, cell);
    }
    SetRowHeight(row, parameterRowHeight);

    auto valueCell = [&](int col, double value) {
        CUGCell cell;
        cell.SetText(cellNumber(value));
        cell.SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell.SetReadOnly(false);
        cell.SetParam(parameter.get());
        SetCell(col, row, cell);
    };
    if (constant) {
        JoinCells(3, row, 5, row);
        valueCell(3, parameter->GetValue());
    } else {
        valueCell(3, parameter->GetMinValue());
        valueCell(4, parameter->GetMaxValue());
        valueCell(5, parameter->GetIncrement());
    }
    lastRow_ = row;
}

void MyCug::OnCharDown(int* key)
{
    StartEdit(*key);
}

bool MyCug::OnEditStart(int col, int row, QWidget** editor)
{
    CUGCell cell;
    GetCell(col, row, &cell);
    const auto* parameter = static_cast<const CEquationParameter*>(cell.GetParam());
    if (!parameter)
        return true;
    if (!numericEdit_.IsCreated())
        numericEdit_.Create(viewport(), QRect(), NumericEditId);
    SetRefusal(QString());
    numericEdit_.SetToolTipText(QString::fromStdWString(parameter->GetName()) + QStringLiteral(" = "));
    numericEdit_.SetMaxWholeDigits(12);
    numericEdit_.SetFractionDigits(6);
    numericEdit_.SetGroupSeparator(u' ');
    numericEdit_.SetDecimalSeparator(u'.');
    numericEdit_.SetLeadingZero(true);
    numericEdit_.SetExpressionsAllowed(true);
    *editor = &numericEdit_;
    return true;
}

bool MyCug::OnEditFinish(int col, int row, QWidget* editor, const QString&, bool* cancelFlag)
{
    // Escape drops the entry: parameter and cell stay as they were.
    if (*cancelFlag) {
        SetRefusal(QString());
        return true;
    }
    CUGCell cell;
    GetCell(col, row, &cell);
    auto* parameter = static_cast<CEquationParameter*>(cell.GetParam());
    if (!numericEdit_.IsCreated() || editor != &numericEdit_ || !parameter)
        return false;
    // Passing through a cell without typing keeps the full value; the editor only
    // holds the two decimals the cell shows.
    if (!numericEdit_.isModified()) {
        SetRefusal(QString());
        *cancelFlag = true;
        return true;
    }

    double v = numericEdit_.GetValue();
    if (numericEdit_.IsExpression()) {
        // Bounds are the parameter's, checked below with the message a typed number gets.
        const auto entry = plotwright::ui::evaluateConstant(numericEdit_.text(), numericEdit_.Format(), 0, 0);
        if (!entry.value) {
            SetRefusal(entry.refusal);
            return false;
        }
        v = *entry.value;
    }
    if (!storeValue(*parameter, col, v)) {
        const auto [low, high] = boundsOf(*parameter);
        SetRefusal(rangeText(low, high));
        return false;
    }
    QuickSetText(col, row, cellNumber(v));
    *cancelFlag = true;  // the grid must not write the raw editor text over the formatted one
    SetRefusal(QString());
    emit valuesChanged();
    return true;
}

std::optional<MyCug::CellNumber> MyCug::CurrentNumber() const
{
    const int row = GetCurrentRow();
    CUGCell cell;
    if (row < 0 || !GetCell(GetCurrentCol(), row, &cell))
        return std::nullopt;
    const auto* parameter = static_cast<const CEquationParameter*>(cell.GetParam());
    if (!parameter)
        return std::nullopt;
    CellNumber number;
    number.row = row;
    const auto [low, high] = boundsOf(*parameter);
    number.low = low;
    number.high = high;
    const QString name = QString::fromStdWString(parameter->GetName());
    if (parameter->GetType() == Constant) {
        // The value's cell is joined over three columns; any of them is the value.
        number.col = 3;
        number.name = name;
        number.value = parameter->GetValue();
        return number;
    }
    number.col = GetCurrentCol();
    if (number.col == 3) {
        number.name = name + QStringLiteral(" min.");
        number.value = parameter->GetMinValue();
    } else if (number.col == 4) {
        number.name = name + QStringLiteral(" max.");
        number.value = parameter->GetMaxValue();
    } else {
        return std::nullopt;
    }
    return number;
}

QString MyCug::OfferValue(int col, int row, double value)
{
    CUGCell cell;
    if (!GetCell(col, row, &cell) || !cell.GetParam())
        return QStringLiteral("The cell holds no value.");
    auto* parameter = static_cast<CEquationParameter*>(cell.GetParam());
    // An entry open in the cell (refused or not) is the user's typing, which the slider
    // replaces: it must not be written over the slider's value when the editor closes.
    CancelEdit();
    SetRefusal(QString());
    if (!storeValue(*parameter, col, value)) {
        const auto [low, high] = boundsOf(*parameter);
        return rangeText(low, high);
    }
    QuickSetText(col, row, cellNumber(value));
    emit valuesChanged();
    return {};
}

void MyCug::SetRefusal(const QString& message)
{
    const bool refused = !message.isEmpty();
    if (refused == refused_ && message == refusal_)
        return;
    refused_ = refused;
    refusal_ = message;
    // The editor shows the refusal where the value is: its colour and its tooltip.
    QPalette palette = numericEdit_.palette();
    palette.setColor(QPalette::Base, refused ? refusedBack : numericEdit_.style()->standardPalette().color(QPalette::Base));
    numericEdit_.setPalette(palette);
    numericEdit_.setAutoFillBackground(refused);
    if (refused)
        numericEdit_.SetToolTipText(message);
    emit valuesChanged();
}

QColor MyCug::OnGetDefBackColor(Section)
{
    return Qt::white;
}

bool MyCug::OnHint(int, int, Section, QString*)
{
    return false;
}

void MyCug::OnDrawFocusRect(QPainter* painter, QRect rect)
{
    rect.setRight(rect.right() - 1);
    rect.setBottom(rect.bottom() - 1);
    DrawDottedFocusRect(painter, rect, Qt::white);
}
