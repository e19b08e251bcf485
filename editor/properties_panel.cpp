#include "editor/properties_panel.h"

#include "draw/drawn_curves.h"

#include "editor/curve_text.h"
#include "editor/selection.h"

#include "core/curve_data.h"

#include "core/drawing_contents.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <map>

namespace plotwright::editor {

namespace {

QString number(double value) { return QString::number(value, 'f', 4); }

QString colorText(const core::Entity& e)
{
    if (e.trueColor() >= 0)
        return "#" + QString::number(e.trueColor(), 16).rightJustified(6, '0').toUpper();
    if (e.colorIndex() == 256)
        return "ByLayer";
    if (e.colorIndex() == 0)
        return "ByBlock";
    return QString::number(e.colorIndex());
}

// A segment with bulge b (the tangent of a quarter of its angle) is an arc.
double segmentLength(const core::Point2& a, const core::Point2& b, double bulge)
{
    const double chord = std::hypot(b.x - a.x, b.y - a.y);
    if (bulge == 0.0 || chord == 0.0)
        return chord;
    const double angle = 4.0 * std::atan(std::abs(bulge));
    return chord * angle / (2.0 * std::sin(angle / 2.0));
}

void describePolyline(const core::PolylineEntity& p, QStringList& lines)
{
    double length = 0.0;
    const unsigned n = p.numVerts();
    const auto points = p.points();
    for (unsigned i = 0; i + 1 < n + (p.isClosed() ? 1u : 0u); ++i) {
        double bulge = 0.0;
        p.getBulgeAt(i, bulge);
        length += segmentLength(points[i], points[(i + 1) % n], bulge);
    }
    lines << QString("Closed: %1").arg(p.isClosed() ? "yes" : "no") << QString("Vertices: %1").arg(n)
          << "Length: " + number(length);
}

void describe3dPolyline(const core::Polyline3dEntity& p, QStringList& lines)
{
    double length = 0.0;
    const auto& v = p.vertices();
    const std::size_t n = v.size();
    for (std::size_t i = 0; i + 1 < n + (p.isClosed() && n > 0 ? 1 : 0); ++i) {
        const core::Point3& a = v[i];
        const core::Point3& b = v[(i + 1) % n];
        length += std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
    }
    lines << QString("Closed: %1").arg(p.isClosed() ? "yes" : "no") << QString("Vertices: %1").arg(n)
          << "Length: " + number(length);
}

} // namespace

QString describeSelection(const core::DrawingData& database, const std::vector<core::Handle>& handles)
{
    QStringList lines;
    if (handles.size() == 1) {
        const core::EntityReader e(database, handles.front());
        if (!e)
            return "No selection.";
        lines << "Kind: " + QString::fromWCharArray(kindName(*e))
              << "Handle: " + QString::number(e->handle(), 16).toUpper()
              << "Layer: " + QString::fromStdWString(e->layer()) << "Colour: " + colorText(*e);
        if (const auto* p = e.as<core::PolylineEntity>())
            describePolyline(*p, lines);
        else if (const auto* p3 = e.as<core::Polyline3dEntity>())
            describe3dPolyline(*p3, lines);
        return lines.join('\n');
    }
    std::map<QString, int> kinds;
    int count = 0;
    for (core::Handle h : handles) {
        if (const core::EntityReader e(database, h); e) {
            ++kinds[QString::fromWCharArray(kindName(*e))];
            ++count;
        }
    }
    if (count == 0)
        return "No selection.";
    lines << QString("%1 selected").arg(count);
    for (const auto& [name, n] : kinds)
        lines << QString("%1: %2").arg(name).arg(n);
    return lines.join('\n');
}

namespace {

// The colours offered: ByLayer, ByBlock and the seven named ones of the palette.
struct NamedColor {
    const char* name;
    int index;
};
constexpr NamedColor kColors[] = {{"ByLayer", 256}, {"ByBlock", 0}, {"1 Red", 1},     {"2 Yellow", 2}, {"3 Green", 3},
                                  {"4 Cyan", 4},     {"5 Blue", 5},  {"6 Magenta", 6}, {"7 White", 7}};

// What the entities share: the value, or nothing when they differ (or none is open).
template <class Value, class Get>
std::optional<Value> shared(const core::DrawingData& database, const std::vector<core::Handle>& handles, Get get)
{
    std::optional<Value> common;
    for (core::Handle h : handles) {
        const core::EntityReader e(database, h);
        if (!e)
            continue;
        const Value v = get(*e);
        if (common && *common != v)
            return std::nullopt;
        common = v;
    }
    return common;
}

} // namespace

PropertiesPanel::PropertiesPanel(QWidget* parent)
    : QDockWidget(tr("Properties"), parent), summary_(new QLabel), appearance_(new QWidget),
      layerBox_(new QComboBox), colorBox_(new QComboBox), curve_(new QLabel),
      editButton_(new QPushButton(tr("Edit curve\u2026"))), addButton_(new QPushButton(tr("Add to my curves")))
{
    setObjectName("propertiesPanel");
    summary_->setObjectName("propertiesSummary");
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The curve definition stored with a drawn curve shows here, below the entity's
    // own properties.
    curve_->setObjectName("curveDefinition");
    // Whole lines (a wrapped label is squeezed to one line when the dock is short); the
    // panel scrolls instead.
    curve_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    editButton_->setObjectName("editCurveButton");
    addButton_->setObjectName("addCurveButton");
    editButton_->setToolTip(tr("Opens the curve dialog with this curve's definition; drawing replaces the curve (CURVEEDIT)"));
    addButton_->setToolTip(tr("Keeps this curve's definition among your own curves (CURVEADD)"));
    connect(editButton_, &QPushButton::clicked, this, &PropertiesPanel::editCurve);
    connect(addButton_, &QPushButton::clicked, this, &PropertiesPanel::addCurve);
    layerBox_->setObjectName("layerBox");
    colorBox_->setObjectName("colorBox");
    layerBox_->setToolTip(tr("Puts the selected entities on this layer"));
    colorBox_->setToolTip(tr("Gives the selected entities this colour"));
    for (const NamedColor& c : kColors)
        colorBox_->addItem(tr(c.name), c.index);
    // Only a choice of the user changes the drawing, not the panel showing a selection.
    connect(layerBox_, &QComboBox::activated, this, [this](int row) {
        if (layerBox_->itemData(row).toBool())
            emit layerChosen(layerBox_->itemText(row));
    });
    connect(colorBox_, &QComboBox::activated, this, [this](int row) {
        const QVariant index = colorBox_->itemData(row);
        if (index.isValid())
            emit colorChosen(index.toInt());
    });
    auto* form = new QFormLayout(appearance_);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Layer:"), layerBox_);
    form->addRow(tr("Colour:"), colorBox_);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(appearance_);
    layout->addWidget(summary_);
    layout->addWidget(curve_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(editButton_);
    buttons->addWidget(addButton_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(body);
    setWidget(scroll);
    showSelection(nullptr, {});
}

void PropertiesPanel::showSelection(const core::DrawingData* database, const std::vector<core::Handle>& handles)
{
    summary_->setText(database && !handles.empty() ? describeSelection(*database, handles) : "No selection.");
    appearance_->setVisible(database && !handles.empty());
    if (database && !handles.empty()) {
        // The shared layer and colour; a blank entry (that changes nothing) when they differ.
        const auto layer = shared<std::wstring>(*database, handles, [](const core::Entity& e) { return e.layer(); });
        layerBox_->clear();
        for (const core::Layer& info : database->layers())
            layerBox_->addItem(QString::fromStdWString(info.name), true);
        const int at = layer ? layerBox_->findText(QString::fromStdWString(*layer)) : -1;
        if (at < 0)
            layerBox_->insertItem(0, layer ? QString::fromStdWString(*layer) : QString(), false);
        layerBox_->setCurrentIndex(std::max(at, 0));
        const auto color = shared<int>(*database, handles,
                                       [](const core::Entity& e) { return e.trueColor() >= 0 ? -1 : e.colorIndex(); });
        while (colorBox_->count() > int(std::size(kColors)))
            colorBox_->removeItem(0);
        int row = -1;
        for (int i = 0; color && i < colorBox_->count(); ++i)
            if (colorBox_->itemData(i).toInt() == *color)
                row = i;
        if (row < 0) {
            // A true colour, another index, or colours that differ: shown, not offered.
            QString text;
            if (color && *color >= 0)
                text = QString::number(*color);
            else if (color)
                text = tr("True colour");
            colorBox_->insertItem(0, text, QVariant());
            row = 0;
        }
        colorBox_->setCurrentIndex(row);
    }
    const bool one = database && handles.size() == 1;
    curve_->setVisible(one);
    editButton_->setVisible(one);
    addButton_->setVisible(one);
    std::optional<curve::CurveDefinition> definition;
    if (one) {
        if (const core::EntityReader e(*database, handles.front()); e)
            definition = core::curveDefinitionOf(*e);
    }
    // The definition keeps the origin it was drawn at; a curve moved as a whole (MOVE,
    // or another program) stands where it was moved to, and is redrawn there.
    if (definition) {
        if (const auto drawn = draw::drawnCurveWithId(*database, definition->curveId)) {
            const draw::CurveState state = draw::curveState(*drawn);
            if (state.kind == draw::CurveState::moved) {
                definition->origin.x += state.shift.x;
                definition->origin.y += state.shift.y;
                definition->origin.z += state.shift.z;
            }
        }
    }
    // A polyline drawn before definitions were kept is an ordinary polyline: nothing to edit.
    curve_->setText(definition ? describeCurveDefinition(*definition) : tr("Curve definition: none"));
    editButton_->setEnabled(definition.has_value());
    addButton_->setEnabled(definition.has_value());
}

} // namespace plotwright::editor
