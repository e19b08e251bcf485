#include "editor/layer_panel.h"

#include "editor/undo_history.h"

#include "db/color.h"
#include "core/drawing_contents.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plotwright::editor {

namespace {

QColor shown(int colorIndex)
{
    const db::ShownColor c = db::paletteColor(colorIndex);
    return QColor::fromRgb(c.foreground ? 0xFFFFFF : c.rgb);
}

QIcon swatch(int colorIndex)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(shown(colorIndex));
    // A frame, so that white shows on a white table.
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

QTableWidgetItem* checkItem(bool checked)
{
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QTableWidgetItem* textItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

LayerPanel::LayerPanel(QWidget* parent)
    : QDockWidget(tr("Layers"), parent), table_(new QTableWidget(0, kColumns)), name_(new QLineEdit),
      new_(new QPushButton(tr("&New layer")))
{
    setObjectName("layerPanel");
    table_->setObjectName("layerTable");
    table_->setHorizontalHeaderLabels({tr("Current"), tr("Name"), tr("On"), tr("Frozen"), tr("Colour")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    name_->setObjectName("newLayerName");
    name_->setPlaceholderText(tr("New layer name"));
    new_->setObjectName("newLayer");

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(table_);
    auto* row = new QHBoxLayout;
    row->addWidget(name_);
    row->addWidget(new_);
    layout->addLayout(row);
    setWidget(body);

    connect(table_, &QTableWidget::itemChanged, this, &LayerPanel::onItemChanged);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &LayerPanel::onDoubleClicked);
    const auto add = [this] {
        if (addLayer(name_->text().trimmed()))
            name_->clear();
    };
    connect(new_, &QPushButton::clicked, this, add);
    connect(name_, &QLineEdit::returnPressed, this, add);
}

void LayerPanel::showDrawing(core::DrawingData* database, UndoHistory* history)
{
    database_ = database;
    history_ = history;
    refresh();
}

void LayerPanel::refresh()
{
    // Items are updated in place: a refresh may run from inside one of their signals.
    filling_ = true;
    setEnabled(database_ != nullptr);
    const std::vector<core::Layer> layers = database_ ? database_->layers() : std::vector<core::Layer>{};
    if (table_->rowCount() != static_cast<int>(layers.size())) {
        table_->setRowCount(static_cast<int>(layers.size()));
        for (int row = 0; row < table_->rowCount(); ++row) {
            table_->setItem(row, kCurrent, textItem({}));
            table_->setItem(row, kName, textItem({}));
            table_->setItem(row, kOn, checkItem(false));
            table_->setItem(row, kFrozen, checkItem(false));
            table_->setItem(row, kColor, textItem({}));
        }
    }
    for (int row = 0; row < table_->rowCount(); ++row) {
        const core::Layer& layer = layers[static_cast<std::size_t>(row)];
        const bool current = database_->layer(database_->clayer()) == database_->layer(layer.name);
        table_->item(row, kCurrent)->setText(current ? QString::fromUtf8("\u2714") : QString());
        table_->item(row, kName)->setText(QString::fromStdWString(layer.name));
        table_->item(row, kOn)->setCheckState(layer.appearance.off ? Qt::Unchecked : Qt::Checked);
        table_->item(row, kFrozen)->setCheckState(layer.appearance.frozen ? Qt::Checked : Qt::Unchecked);
        table_->item(row, kColor)->setText(QString::number(layer.appearance.colorIndex));
        table_->item(row, kColor)->setIcon(swatch(layer.appearance.colorIndex));
    }
    filling_ = false;
}

void LayerPanel::changed()
{
    refresh();
    emit layersChanged();
}

bool LayerPanel::addLayer(const QString& name)
{
    if (!database_ || !history_)
        return false;
    const std::wstring wide = name.toStdWString();
    if (bool duplicate = false; !core::addLayer(*database_, wide, {}, &duplicate)) {
        if (duplicate)
            emit message("A layer \"" + name + "\" exists already.");
        else
            emit message("\"" + name + "\" cannot name a layer: it must not be empty or hold any of <>/\\\":;?*|=`.");
        return false;
    }
    core::DrawingData* db = database_;
    history_->record([db, wide](bool redo) {
        if (redo)
            core::addLayer(*db, wide, {});
        else
            core::removeLayer(*db, wide);
    }, L"the new layer \"" + wide + L"\"");
    changed();
    return true;
}

bool LayerPanel::setCurrent(const QString& name)
{
    if (!database_ || !history_)
        return false;
    const std::wstring before = database_->clayer();
    if (bool frozen = false; !core::setCurrentLayer(*database_, name.toStdWString(), &frozen)) {
        if (frozen)
            emit message("The frozen layer \"" + name + "\" cannot be made current: thaw it first.");
        else
            emit message("There is no layer \"" + name + "\".");
        return false;
    }
    core::DrawingData* db = database_;
    const std::wstring after = database_->clayer();
    history_->record([db, before, after](bool redo) { core::setCurrentLayer(*db, redo ? after : before); },
                     L"the current layer \"" + after + L"\"");
    changed();
    return true;
}

bool LayerPanel::changeAppearance(const QString& name, const std::function<void(core::LayerAppearance&)>& change)
{
    if (!database_ || !history_)
        return false;
    const std::wstring wide = name.toStdWString();
    const core::Layer* layer = database_->layer(wide);
    if (!layer)
        return false;
    const core::LayerAppearance before = layer->appearance;
    core::LayerAppearance after = before;
    change(after);
    core::setLayerAppearance(*database_, wide, after);
    core::DrawingData* db = database_;
    history_->record([db, wide, before, after](bool redo) { core::setLayerAppearance(*db, wide, redo ? after : before); },
                     L"the change of layer \"" + wide + L"\"");
    changed();
    return true;
}

bool LayerPanel::setOn(const QString& name, bool on)
{
    return changeAppearance(name, [on](core::LayerAppearance& a) { a.off = !on; });
}

bool LayerPanel::setFrozen(const QString& name, bool frozen)
{
    if (frozen && database_ && database_->layer(name.toStdWString()) == database_->layer(database_->clayer())) {
        emit message("The current layer cannot be frozen.");
        refresh();
        return false;
    }
    return changeAppearance(name, [frozen](core::LayerAppearance& a) { a.frozen = frozen; });
}

bool LayerPanel::setColor(const QString& name, int colorIndex)
{
    if (!db::isPaletteIndex(colorIndex))
        return false;
    // A palette colour replaces any true colour the layer had.
    return changeAppearance(name, [colorIndex](core::LayerAppearance& a) {
        a.colorIndex = colorIndex;
        a.trueColor = -1;
    });
}

void LayerPanel::chooseColor(const QString& name)
{
    const core::Layer* layer = database_ ? database_->layer(name.toStdWString()) : nullptr;
    if (!layer)
        return;
    const QColor chosen = QColorDialog::getColor(shown(layer->appearance.colorIndex), this,
                                                 tr("Colour of layer %1").arg(name));
    if (chosen.isValid())
        setColor(name, db::nearestPaletteIndex(chosen.rgb() & 0xFFFFFFu));
}

void LayerPanel::onItemChanged(QTableWidgetItem* item)
{
    if (filling_)
        return;
    const QString name = table_->item(item->row(), kName)->text();
    const bool checked = item->checkState() == Qt::Checked;
    if (item->column() == kOn)
        setOn(name, checked);
    else if (item->column() == kFrozen)
        setFrozen(name, checked);
}

void LayerPanel::onDoubleClicked(int row, int column)
{
    const QString name = table_->item(row, kName)->text();
    if (column == kColor)
        chooseColor(name);
    else if (column == kName || column == kCurrent)
        setCurrent(name);
}

} // namespace plotwright::editor
