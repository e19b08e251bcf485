#include "dialogs/control_factory.h"

#include "dialogs/ad_ui_base_dialog.h"
#include "dialogs/ad_ui_bitmap_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace plotwright::host {

namespace {

bool takesNoFocus(ControlKind kind)
{
    return kind == ControlKind::Static || kind == ControlKind::GroupBox;
}

} // namespace

QWidget* createControl(const ControlTemplate& c, QWidget* parent)
{
    const QString text = QString::fromStdWString(c.text);
    switch (c.kind) {
    case ControlKind::PushButton:
        if (c.style & (BitmapImage | IconImage)) {
            auto* button = new CAdUiBitmapButton(parent);
            button->setText(text);
            return button;
        }
        return new QPushButton(text, parent);
    case ControlKind::Edit:
        return new QLineEdit(text, parent);
    case ControlKind::Static:
        if (c.style & (EtchedVertical | EtchedHorizontal)) {
            auto* line = new QFrame(parent);
            line->setFrameShape((c.style & EtchedVertical) ? QFrame::VLine : QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            return line;
        }
        return new QLabel(text, parent);
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(text, parent);
        // A frame drawn behind its neighbours, never in the way of the mouse.
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        return box;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(!(c.style & DropDownList));
        return combo;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(text, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    }
    return new QWidget(parent);
}

void applyTemplate(const ControlTemplate& c, QWidget& widget, const CAdUiBaseDialog& dialog)
{
    widget.setProperty("controlId", c.id);
    widget.setObjectName(QStringLiteral("control%1").arg(c.id));

    QRect rect = dialog.MapDialogRect(c.x, c.y, c.cx, c.cy);
    // A combo box's template height includes its dropped list; the closed box is
    // as high as its font needs.
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        rect.setHeight(combo->sizeHint().height());
        combo->setMaxVisibleItems(std::max(1, dialog.MapDialogRect(0, 0, 0, c.cy).height()
                                                  / std::max(1, combo->fontMetrics().height()) - 1));
    }
    widget.setGeometry(rect);

    if (takesNoFocus(c.kind))
        widget.setFocusPolicy(Qt::NoFocus);
    else
        widget.setFocusPolicy((c.style & TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    if (c.kind == ControlKind::GroupBox)
        widget.lower();

    if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
        edit->setReadOnly(c.style & ReadOnly);
        edit->setFrame(c.style & Border);
    }
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        button->setDefault(c.style & DefaultButton);
        button->setAutoDefault(true);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&widget); button && !c.text.empty())
        button->setText(QString::fromStdWString(c.text));
    if (auto* label = qobject_cast<QLabel*>(&widget); label && !c.text.empty())
        label->setText(QString::fromStdWString(c.text));

    widget.setEnabled(!(c.style & Disabled));
    widget.setVisible(!(c.style & Hidden));
}

void connectNotifications(QWidget& widget, int id, QObject* context, std::function<void(int, int)> send)
{
    if (widget.property("plotwrightNotifies").toBool())
        return;
    widget.setProperty("plotwrightNotifies", true);
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        QObject::connect(button, &QAbstractButton::clicked, context, [send, id] { send(id, BN_CLICKED); });
    } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        // Only the user's choices notify, not items set by the program.
        QObject::connect(combo, &QComboBox::activated, context, [send, id] { send(id, CBN_SELCHANGE); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
        QObject::connect(edit, &QLineEdit::textChanged, context, [send, id] { send(id, EN_CHANGE); });
    }
}

} // namespace plotwright::host
