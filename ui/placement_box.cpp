#include "ui/placement_box.h"

#include "base/number_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <cmath>
#include <optional>

using plotwright::curve::CurveOptions;

namespace {

// A number as typed ("." always, the locale's decimal separator too); nothing for an
// empty field, NaN for one that is not a finite number.
std::optional<double> numberOf(QString text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QChar point = QLocale().decimalPoint().front();
    if (point != QLatin1Char('.'))
        text.replace(point, QLatin1Char('.'));
    const std::optional<double> value = plotwright::base::parseNumber(text.toStdString());
    return value && std::isfinite(*value) ? *value : std::nan("");
}

QString numberText(double value) { return QString::fromStdString(plotwright::base::formatShortest(value)); }

void mark(QLineEdit* field, bool refused, const QString& why, const QString& tip)
{
    QPalette colours = field->palette();
    colours.setColor(QPalette::Base,
                     refused ? QColor(255, 215, 215) : field->parentWidget()->palette().color(QPalette::Base));
    field->setPalette(colours);
    field->setToolTip(refused ? why : tip);
}

} // namespace

PlacementBox::PlacementBox(QWidget* parent)
    : QWidget(parent), rotation_(new QLineEdit(this)), scale_(new QLineEdit(this)),
      mirror_(new QCheckBox(tr("Mirror"), this)), offset_(new QLineEdit(this)),
      both_(new QCheckBox(tr("Both sides"), this)), rotationByPoint_(new QCheckBox(tr("Turn by a point"), this))
{
    rotation_->setObjectName(QStringLiteral("rotation"));
    rotation_->setPlaceholderText(tr("0°"));
    scale_->setObjectName(QStringLiteral("scale"));
    scale_->setPlaceholderText(tr("1"));
    mirror_->setObjectName(QStringLiteral("mirror"));
    mirror_->setToolTip(tr("Mirror the curve about its own x axis before it is turned"));
    offset_->setObjectName(QStringLiteral("offset"));
    offset_->setPlaceholderText(tr("none"));
    both_->setObjectName(QStringLiteral("offsetBothSides"));
    both_->setToolTip(tr("Draw the offsets on both sides of the curve"));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Rotate"), this), 0, 0);
    layout->addWidget(rotation_, 0, 1);
    layout->addWidget(new QLabel(tr("Scale"), this), 0, 2);
    layout->addWidget(scale_, 0, 3);
    layout->addWidget(mirror_, 0, 4);
    layout->addWidget(new QLabel(tr("Offset"), this), 1, 0);
    layout->addWidget(offset_, 1, 1);
    layout->addWidget(both_, 1, 2);
    layout->addWidget(rotationByPoint_, 1, 3, 1, 2);
    rotationByPoint_->setObjectName(QStringLiteral("rotationByPoint"));

    for (QLineEdit* field : {rotation_, scale_, offset_})
        connect(field, &QLineEdit::textChanged, this, &PlacementBox::FieldsEdited);
    for (QCheckBox* box : {mirror_, both_, rotationByPoint_})
        connect(box, &QCheckBox::toggled, this, &PlacementBox::FieldsEdited);
    FieldsEdited();
}

void PlacementBox::ApplyTo(CurveOptions& options) const
{
    const std::optional<double> rotation = numberOf(rotation_->text());
    const std::optional<double> scale = numberOf(scale_->text());
    const std::optional<double> offset = numberOf(offset_->text());
    options.rotation = rotation && std::isfinite(*rotation) ? *rotation : 0.0;
    options.scale = scale && *scale > 0 ? *scale : 1.0;
    options.mirror = mirror_->isChecked();
    options.offset = offset && std::isfinite(*offset) ? *offset : 0.0;
    options.offsetBothSides = both_->isChecked() && options.offset > 0;
}

void PlacementBox::SetFrom(const CurveOptions& options)
{
    const QSignalBlocker a(rotation_), b(scale_), c(mirror_), d(offset_), e(both_);
    rotation_->setText(options.rotation != 0 ? numberText(options.rotation) : QString());
    scale_->setText(options.scale != 1 ? numberText(options.scale) : QString());
    mirror_->setChecked(options.mirror);
    offset_->setText(options.offset != 0 ? numberText(options.offset) : QString());
    both_->setChecked(options.offsetBothSides);
    FieldsEdited();
}

QString PlacementBox::Problem() const
{
    const std::optional<double> rotation = numberOf(rotation_->text());
    if (rotation && !std::isfinite(*rotation))
        return tr("Rotate: an angle in degrees is needed, not \"%1\".").arg(rotation_->text().trimmed());
    const std::optional<double> scale = numberOf(scale_->text());
    if (scale && !(*scale > 0))
        return tr("Scale: a number above 0 is needed, not \"%1\".").arg(scale_->text().trimmed());
    const std::optional<double> offset = numberOf(offset_->text());
    if (offset && !std::isfinite(*offset))
        return tr("Offset: a distance is needed, not \"%1\".").arg(offset_->text().trimmed());
    if (both_->isChecked() && offset && !(*offset > 0))
        return tr("Offset: both sides need a distance above 0, not \"%1\".").arg(offset_->text().trimmed());
    return {};
}

bool PlacementBox::AsksForRotation() const
{
    return rotationByPoint_->isChecked() && rotation_->text().trimmed().isEmpty();
}

bool PlacementBox::TurnsByPoint() const { return rotationByPoint_->isChecked(); }

void PlacementBox::SetTurnsByPoint(bool on) { rotationByPoint_->setChecked(on); }

void PlacementBox::FieldsEdited()
{
    // An angle typed in Rotate wins over one picked: the question would be pointless.
    const bool typed = !rotation_->text().trimmed().isEmpty();
    rotationByPoint_->setEnabled(!typed);
    rotationByPoint_->setToolTip(
        typed ? tr("Rotate holds the angle; empty it to turn the curve by a point")
              : tr("After the origin, ask for the rotation: type an angle, or pick a point (the direction from the "
                   "origin); Enter draws the curve unturned"));
    const std::optional<double> rotation = numberOf(rotation_->text());
    const std::optional<double> scale = numberOf(scale_->text());
    const std::optional<double> offset = numberOf(offset_->text());
    const QString problem = Problem();
    mark(rotation_, rotation && !std::isfinite(*rotation), problem,
         tr("Turn the curve counter-clockwise about its origin, in degrees"));
    mark(scale_, scale && !(*scale > 0), problem, tr("Scale the curve about its origin"));
    mark(offset_, offset && (!std::isfinite(*offset) || (both_->isChecked() && !(*offset > 0))), problem,
         tr("Draw the curve's offset by this distance: to the left of its direction of travel, or to the right "
            "when negative"));
    emit changed();
}
