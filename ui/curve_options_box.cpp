#include "ui/curve_options_box.h"

#include "ui/placement_box.h"

#include "base/number_text.h"
#include "curve/constant_value.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>

#include <cmath>

using plotwright::curve::CurveOptions;
using plotwright::curve::CurveOutput;

namespace {

constexpr const char* kSettingsGroup = "CurveDialog";
constexpr const char* kOptionsKey = "options";
constexpr const char* kTurnsByPointKey = "turnByPoint";

// The dialog's values kept in the user settings between runs.
QVariant storedValue(const char* key, const QVariant& missing)
{
    QSettings settings(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright"));
    settings.beginGroup(QLatin1String(kSettingsGroup));
    return settings.value(QLatin1String(key), missing);
}

void storeValue(const char* key, const QVariant& value)
{
    QSettings settings(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright"));
    settings.beginGroup(QLatin1String(kSettingsGroup));
    settings.setValue(QLatin1String(key), value);
}

// The tolerance as typed: a number with "." or the locale's decimal separator, or a
// constant expression ("1/64"), whose point is always "."; `reason` says why an
// expression gives no value.
std::optional<double> toleranceOf(QString text, std::string* reason = nullptr)
{
    text = text.trimmed();
    QString number = text;
    const QChar point = QLocale().decimalPoint().front();
    if (point != QLatin1Char('.'))
        number.replace(point, QLatin1Char('.'));
    std::optional<double> value = plotwright::base::parseNumber(number.toStdString());
    if (!value && !text.isEmpty())
        value = plotwright::curve::constantValue(text.toStdString(), reason);
    if (!value || !(*value > 0))
        return std::nullopt;
    return value;
}

// True when the text is an expression rather than a number.
bool isExpression(const QString& text)
{
    return !plotwright::base::parseNumber(text.trimmed().toStdString())
        && !plotwright::base::parseNumber(QString(text.trimmed()).replace(QLocale().decimalPoint().front(), u'.').toStdString());
}

} // namespace

CurveOptionsBox::CurveOptionsBox(QWidget* parent)
    : QWidget(parent), output_(new QComboBox(this)), adaptive_(new QCheckBox(tr("Adaptive within"), this)),
      tolerance_(new QLineEdit(this)), literal_(new QCheckBox(tr("Literal steps"), this)),
      placement_(new PlacementBox(this))
{
    output_->setObjectName(QStringLiteral("outputKind"));
    output_->addItems({tr("Polyline"), tr("Arcs"), tr("Spline")});
    output_->setToolTip(tr("Chords between the samples, circular arcs, or a spline through them"));
    adaptive_->setObjectName(QStringLiteral("adaptive"));
    adaptive_->setToolTip(tr("Refine the increment until the chords stay within the tolerance of the curve, "
                             "and break the curve at jumps"));
    tolerance_->setObjectName(QStringLiteral("tolerance"));
    tolerance_->setPlaceholderText(tr("drawing units"));
    tolerance_->setText(QStringLiteral("0.001"));
    literal_->setObjectName(QStringLiteral("literalSteps"));
    literal_->setToolTip(tr("Step by the increment only, without a last sample at the maximum"));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Output"), this), 0, 0);
    layout->addWidget(output_, 0, 1);
    layout->addWidget(adaptive_, 1, 0);
    layout->addWidget(tolerance_, 1, 1);
    layout->addWidget(literal_, 2, 0, 1, 2);
    layout->addWidget(placement_, 3, 0, 1, 2);
    layout->setVerticalSpacing(2);

    connect(output_, &QComboBox::currentIndexChanged, this, &CurveOptionsBox::FieldsEdited);
    connect(adaptive_, &QCheckBox::toggled, this, &CurveOptionsBox::FieldsEdited);
    connect(tolerance_, &QLineEdit::textChanged, this, &CurveOptionsBox::FieldsEdited);
    // On Enter or Tab an expression that gives a tolerance is replaced by its value.
    connect(tolerance_, &QLineEdit::editingFinished, this, [this] {
        if (const auto value = toleranceOf(tolerance_->text()); value && isExpression(tolerance_->text()))
            tolerance_->setText(QString::fromStdString(plotwright::base::formatShortest(*value)));
    });
    connect(literal_, &QCheckBox::toggled, this, &CurveOptionsBox::FieldsEdited);
    connect(placement_, &PlacementBox::changed, this, &CurveOptionsBox::changed);
    FieldsEdited();
}

CurveOptions CurveOptionsBox::Options() const
{
    CurveOptions options;
    options.output = static_cast<CurveOutput>(output_->currentIndex());
    options.literalSteps = literal_->isChecked();
    if (adaptive_->isChecked())
        options.tolerance = toleranceOf(tolerance_->text());
    placement_->ApplyTo(options);
    return options;
}

void CurveOptionsBox::SetOptions(const CurveOptions& options)
{
    const QSignalBlocker a(output_), b(adaptive_), c(tolerance_), d(literal_);
    output_->setCurrentIndex(static_cast<int>(options.output));
    literal_->setChecked(options.literalSteps);
    adaptive_->setChecked(options.tolerance.has_value());
    if (options.tolerance)
        tolerance_->setText(QString::fromStdString(plotwright::base::formatShortest(*options.tolerance)));
    placement_->SetFrom(options);
    FieldsEdited();
}

bool CurveOptionsBox::AsksForRotation() const
{
    return placement_->AsksForRotation();
}

bool CurveOptionsBox::TurnsByPoint() const { return placement_->TurnsByPoint(); }

void CurveOptionsBox::SetTurnsByPoint(bool on) { placement_->SetTurnsByPoint(on); }

QString CurveOptionsBox::Problem() const
{
    std::string reason;
    if (!adaptive_->isChecked() || toleranceOf(tolerance_->text(), &reason))
        return placement_->Problem();
    QString problem = tr("Tolerance: a number above 0 is needed, not \"%1\"").arg(tolerance_->text().trimmed());
    if (!reason.empty() && reason != "not finite")
        problem += QStringLiteral(" (") + QString::fromStdString(reason) + u')';
    return problem + u'.';
}

void CurveOptionsBox::FieldsEdited()
{
    tolerance_->setEnabled(adaptive_->isChecked());
    const bool refused = adaptive_->isChecked() && !toleranceOf(tolerance_->text());
    QPalette colours = tolerance_->palette();
    colours.setColor(QPalette::Base, refused ? QColor(255, 215, 215) : palette().color(QPalette::Base));
    tolerance_->setPalette(colours);
    tolerance_->setToolTip(refused ? Problem()
                                   : tr("Largest distance, in drawing units, between the curve and what is drawn; "
                                        "a number or a constant expression such as 1/64"));
    emit changed();
}

CurveOptions CurveOptionsBox::LoadStored()
{
    const QString text = storedValue(kOptionsKey, QString()).toString();
    const std::optional<CurveOptions> options = plotwright::curve::parseCurveOptions(text.toStdWString());
    return options.value_or(CurveOptions{});
}

void CurveOptionsBox::Store(const CurveOptions& options)
{
    storeValue(kOptionsKey, QString::fromStdWString(plotwright::curve::curveOptionsText(options)));
}

bool CurveOptionsBox::LoadStoredTurnsByPoint() { return storedValue(kTurnsByPointKey, false).toBool(); }

void CurveOptionsBox::StoreTurnsByPoint(bool on) { storeValue(kTurnsByPointKey, on); }
