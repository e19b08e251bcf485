#include "ui/value_slider.h"

#include "base/number_text.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <limits>

namespace plotwright::ui {

SliderSpan sliderSpan(double value, double minimum, double maximum)
{
    if (minimum != maximum)
        return {std::min(minimum, maximum), std::max(minimum, maximum)};
    if (!std::isfinite(value) || value == 0)
        return {-1, 1};
    const double small = value / 10;
    const double large = value * 10;
    // Ten times a huge value overflows: the span then ends at the largest number.
    const double limit = std::numeric_limits<double>::max();
    return {std::clamp(std::min(small, large), -limit, limit), std::clamp(std::max(small, large), -limit, limit)};
}

double sliderValue(const SliderSpan& span, int position, int steps)
{
    if (steps <= 0 || position <= 0)
        return span.low;
    if (position >= steps)
        return span.high;
    const double width = span.high - span.low;
    const double raw = span.low + width * position / steps;
    if (!(width > 0) || !std::isfinite(width))
        return raw;
    // Rounded through the reciprocal where the quantum is below one: 10^-k is not exact in
    // binary, but dividing by the exact 10^k gives the double nearest the decimal value.
    const int exponent = static_cast<int>(std::floor(std::log10(width / steps)));
    const double rounded = exponent < 0 ? std::round(raw * std::pow(10.0, -exponent)) / std::pow(10.0, -exponent)
                                        : std::round(raw / std::pow(10.0, exponent)) * std::pow(10.0, exponent);
    return std::isfinite(rounded) ? std::clamp(rounded, span.low, span.high) : raw;
}

int sliderPosition(const SliderSpan& span, double value, int steps)
{
    const double width = span.high - span.low;
    if (!(width > 0) || !std::isfinite(value))
        return 0;
    const double position = std::round((value - span.low) / width * steps);
    return static_cast<int>(std::clamp(position, 0.0, static_cast<double>(steps)));
}

} // namespace plotwright::ui

using plotwright::ui::SliderSpan;

ValueSlider::ValueSlider(QWidget* parent, Label label)
    : QWidget(parent), label_(new QLabel(this)), slider_(new QSlider(Qt::Horizontal, this))
{
    setObjectName(QStringLiteral("valueSlider"));
    slider_->setRange(0, Steps);
    slider_->setPageStep(Steps / 20);
    slider_->setSingleStep(1);
    slider_->setTracking(true);
    QBoxLayout* layout = nullptr;
    if (label == Label::Beside) {
        // Wide enough that the slider does not jump as the value's digits change.
        label_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("t min. = -0.00000")));
        layout = new QHBoxLayout(this);
    } else {
        layout = new QVBoxLayout(this);
        layout->setSpacing(0);
    }
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(slider_, 1);
    connect(slider_, &QSlider::valueChanged, this, &ValueSlider::PositionChanged);
    connect(slider_, &QSlider::sliderReleased, this, [this] {
        if (hasNumber_)
            emit released(value_);
    });
    ShowNothing(QString());
}

void ValueSlider::ShowNumber(const QString& name, const SliderSpan& span, double value)
{
    name_ = name;
    span_ = span;
    hasNumber_ = true;
    setEnabled(true);
    const auto text = [](double v) { return QString::fromStdString(plotwright::base::formatShortest(v)); };
    slider_->setToolTip(tr("%1 from %2 to %3; the value is written where the handle is let go")
                            .arg(name, text(span.low), text(span.high)));
    MoveTo(value);
}

void ValueSlider::ShowNothing(const QString& reason)
{
    hasNumber_ = false;
    name_.clear();
    value_ = 0;
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(0);
    }
    label_->clear();
    slider_->setToolTip(reason);
    setEnabled(false);
}

void ValueSlider::MoveTo(double value)
{
    value_ = value;
    quiet_ = true;
    slider_->setValue(plotwright::ui::sliderPosition(span_, value, Steps));
    quiet_ = false;
    ShowValue();
}

void ValueSlider::PositionChanged(int position)
{
    if (quiet_ || !hasNumber_)
        return;
    value_ = plotwright::ui::sliderValue(span_, position, Steps);
    ShowValue();
    // A drag reports as it goes and writes on release; a click on the groove or a key
    // moves the handle in one step, which is its own release.
    if (slider_->isSliderDown())
        emit dragged(value_);
    else
        emit released(value_);
}

void ValueSlider::ShowValue()
{
    label_->setText(QStringLiteral("%1 = %2").arg(name_, QString::fromStdString(plotwright::base::formatShortest(value_))));
}
