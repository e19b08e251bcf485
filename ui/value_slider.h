#pragma once
// A slider for one number of the curve dialog, a constant or an end of the range: it
// spans the number's allowed range, reports the values it passes while it is dragged
// (for a live preview) and the value where it is let go (to be offered to the field
// that holds the number, which may refuse it).

#include <QWidget>

class QLabel;
class QSlider;

namespace plotwright::ui {

struct SliderSpan {
    double low = 0;
    double high = 0;
};

// The span of a number with the bounds `minimum` and `maximum`: the bounds themselves,
// or, where there are none (minimum == maximum, as the libraries write it), from a tenth
// to ten times the value with its sign kept. Zero has neither a size nor a sign to scale:
// it spans -1 to 1. A value that is not finite gives the span -1 to 1 as well.
SliderSpan sliderSpan(double value, double minimum, double maximum);
// The value at `position` (0 .. steps) of `span`, rounded to the power of ten just below
// one step so that values read as typed ones (2.35, not 2.3487); both ends are the span's
// exact bounds and no value leaves the span.
double sliderValue(const SliderSpan& span, int position, int steps);
// The position nearest to `value`, clamped to 0 .. steps.
int sliderPosition(const SliderSpan& span, double value, int steps);

} // namespace plotwright::ui

class ValueSlider : public QWidget {
    Q_OBJECT

public:
    static constexpr int Steps = 1000;

    // Where the name and value stand: beside the slider, or above it where room is narrow.
    enum class Label { Beside, Above };

    explicit ValueSlider(QWidget* parent = nullptr, Label label = Label::Beside);

    // Shows the number `name` at `value` within `span`.
    void ShowNumber(const QString& name, const plotwright::ui::SliderSpan& span, double value);
    // Nothing to slide: disabled, `reason` as its tooltip.
    void ShowNothing(const QString& reason);
    // Puts the handle at `value` without reporting it: the number was typed, or the value
    // let go was refused and the field kept its own.
    void MoveTo(double value);

    bool HasNumber() const { return hasNumber_; }
    QString Name() const { return name_; }
    plotwright::ui::SliderSpan Span() const { return span_; }
    // The value the handle stands at.
    double Value() const { return value_; }
    QSlider* Slider() const { return slider_; }

signals:
    // While the handle is dragged, at every value it passes.
    void dragged(double value);
    // Where the handle was let go, or where a click on the groove or a key put it.
    void released(double value);

private:
    void PositionChanged(int position);
    void ShowValue();

    QLabel* label_;
    QSlider* slider_;
    QString name_;
    plotwright::ui::SliderSpan span_;
    double value_ = 0;
    bool hasNumber_ = false;
    bool quiet_ = false;  // moving the handle from code reports nothing
};
