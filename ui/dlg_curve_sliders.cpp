// The curve dialog's sliders: one for the number selected in the grid (a constant or an
// end of the range), one for an end of the user-defined range. A drag previews the
// curve with the handle's value; the value let go is offered to the grid or the field
// under its own rules, and the handle returns to the kept value when it is refused.
#include "ui/dlg_curve.h"

#include "ui/curve_check.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

namespace {

// Where the sliders stand, in dialog units: under the grid, and under the kind buttons.
constexpr int GridSliderX = 16, GridSliderY = 144, GridSliderCx = 312, GridSliderCy = 11;
constexpr int RangeSliderX = 16, RangeSliderY = 264, RangeSliderCx = 90, RangeSliderCy = 24;

// The range fields' bounds (ConfigureNumberFields): a span past them would offer values
// the field refuses.
constexpr double RangeFieldLimit = 1000000;

// Sets the number a grid cell shows in `parameter`: the constant's value, or the end of
// the range in column 3 (minimum) or 4 (maximum).
void setNumber(CEquationParameter& parameter, int col, double value)
{
    if (parameter.GetType() == Constant)
        parameter.SetValue(value);
    else if (col == 3)
        parameter.SetMinValue(value);
    else
        parameter.SetMaxValue(value);
}

} // namespace

void CDlgCurve::SetUpSliders()
{
    gridSlider_.setParent(this);
    gridSlider_.setObjectName(QStringLiteral("gridSlider"));
    gridSlider_.setGeometry(MapDialogRect(GridSliderX, GridSliderY, GridSliderCx, GridSliderCy));
    gridSlider_.show();
    rangeSlider_.setParent(this);
    rangeSlider_.setObjectName(QStringLiteral("rangeSlider"));
    rangeSlider_.setGeometry(MapDialogRect(RangeSliderX, RangeSliderY, RangeSliderCx, RangeSliderCy));
    // An implicit curve has a window instead of a range: its range fields are hidden.
    rangeSlider_.setVisible(!minimumField_.isHidden());

    connect(&grid_, &MyCug::currentNumberChanged, this, [this] { ShowGridNumberOnSlider(); });
    // A value typed into the grid moves the handle and, without bounds, the span with it.
    connect(&grid_, &MyCug::valuesChanged, this, [this] {
        if (!offering_)
            ShowGridNumberOnSlider();
    });
    connect(&gridSlider_, &ValueSlider::dragged, this, [this](double value) { PreviewGridNumber(value); });
    connect(&gridSlider_, &ValueSlider::released, this, [this](double value) { OfferGridNumber(value); });

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == &minimumField_ || now == &maximumField_)
            ShowRangeEndOnSlider(now == &minimumField_ ? 0 : 1);
    });
    for (NumericEdit* field : {&minimumField_, &maximumField_}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!offering_)
                ShowRangeEndOnSlider(slidRangeEnd_);
        });
    }
    connect(&rangeSlider_, &ValueSlider::dragged, this, [this](double value) { PreviewRangeEnd(value); });
    connect(&rangeSlider_, &ValueSlider::released, this, [this](double value) { OfferRangeEnd(value); });

    ShowGridNumberOnSlider();
    ShowRangeEndOnSlider(slidRangeEnd_);
}

void CDlgCurve::ShowGridNumberOnSlider()
{
    slidNumber_ = grid_.CurrentNumber();
    if (!slidNumber_) {
        gridSlider_.ShowNothing(tr("Select a constant or an end of the range in the grid to slide it"));
        return;
    }
    const MyCug::CellNumber& n = *slidNumber_;
    gridSlider_.ShowNumber(n.name, plotwright::ui::sliderSpan(n.value, n.low, n.high), n.value);
}

void CDlgCurve::PreviewGridNumber(double value)
{
    CEquation* equation = CurrentEquation(predefinedCombo_);
    if (!equation || !slidNumber_)
        return;
    CUGCell cell;
    grid_.GetCell(slidNumber_->col, slidNumber_->row, &cell);
    const auto& parameters = equation->GetParameters();
    const auto at = std::find_if(parameters.begin(), parameters.end(),
                                 [&](const CEquationParameterPtr& p) { return p.get() == cell.GetParam(); });
    if (at == parameters.end())
        return;
    CEquation trial;
    equation->CopyTo(trial);
    setNumber(*trial.GetParameters()[static_cast<std::size_t>(at - parameters.begin())], slidNumber_->col, value);

    previewArea_ = Area::Predefined;
    QString reason = plotwright::ui::CheckCurve(trial).message;
    if (reason.isEmpty())
        reason = options_.Problem();
    preview_.SetDragging(true);
    preview_.SetNote({});
    if (!reason.isEmpty())
        preview_.ShowProblem(reason);
    else
        preview_.ShowCurve(trial);
}

void CDlgCurve::OfferGridNumber(double value)
{
    preview_.SetDragging(false);
    if (!slidNumber_)
        return;
    offering_ = true;
    const QString refusal = grid_.OfferValue(slidNumber_->col, slidNumber_->row, value);
    offering_ = false;
    if (!refusal.isEmpty()) {
        // The grid keeps its value; so do the handle and the preview.
        gridSlider_.MoveTo(slidNumber_->value);
        gridSlider_.Slider()->setToolTip(refusal);
        FieldsChanged(Area::Predefined);
        return;
    }
    slidNumber_->value = value;
}

void CDlgCurve::ShowRangeEndOnSlider(int which)
{
    slidRangeEnd_ = which;
    NumericEdit& field = which == 0 ? minimumField_ : maximumField_;
    if (!field.Problem().isEmpty()) {
        rangeSlider_.ShowNothing(field.Problem());
        return;
    }
    const double value = RangeValue(which);
    // A user's range has no bounds but the field's: from a tenth to ten times the value,
    // kept within what the field takes.
    plotwright::ui::SliderSpan span = plotwright::ui::sliderSpan(value, 0, 0);
    span.low = std::clamp(span.low, -RangeFieldLimit, RangeFieldLimit);
    span.high = std::clamp(span.high, -RangeFieldLimit, RangeFieldLimit);
    rangeSlider_.ShowNumber(which == 0 ? tr("minimum") : tr("maximum"), span, value);
}

void CDlgCurve::PreviewRangeEnd(double value)
{
    preview_.SetDragging(true);
    draggedRangeEnd_ = value;
    previewArea_ = Area::User;
    JudgeUser();
    draggedRangeEnd_.reset();
}

void CDlgCurve::OfferRangeEnd(double value)
{
    preview_.SetDragging(false);
    NumericEdit& field = slidRangeEnd_ == 0 ? minimumField_ : maximumField_;
    const QString kept = field.text();
    offering_ = true;
    field.SetNumber(value, true);
    offering_ = false;
    if (!field.Problem().isEmpty()) {
        // Refused by the field: it keeps its text, the handle returns to its value.
        field.setText(kept);
        rangeSlider_.MoveTo(RangeValue(slidRangeEnd_));
        FieldsChanged(Area::User);
        return;
    }
    // The value may have more digits than the field shows: the curve takes it exactly.
    shownRange_[static_cast<std::size_t>(slidRangeEnd_)] = {field.text(), value};
    FieldsChanged(Area::User);
}
