#include "dialogs/data_exchange.h"

#include "dialogs/ad_ui_base_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace plotwright::host {

DataExchange::DataExchange(CAdUiBaseDialog& dialog, bool saveAndValidate)
    : dialog_(dialog), save_(saveAndValidate)
{
}

QWidget* DataExchange::item(int id) const
{
    QWidget* w = dialog_.GetDlgItem(id);
    if (!w)
        qWarning("data exchange: the dialog has no control %d", id);
    return w;
}

void DataExchange::Control(int id, QWidget& control)
{
    if (dialog_.GetDlgItem(id) != &control)
        dialog_.BindControl(id, control);
}

void DataExchange::Text(int id, std::wstring& value)
{
    QWidget* w = item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (save_) {
            value = edit->text().toStdWString();
        } else {
            edit->setText(QString::fromStdWString(value));
            // A long text shows from its start, as a freshly filled edit does.
            edit->setCursorPosition(0);
        }
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (save_)
            value = label->text().toStdWString();
        else
            label->setText(QString::fromStdWString(value));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (save_)
            value = button->text().toStdWString();
        else
            button->setText(QString::fromStdWString(value));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (save_)
            value = combo->currentText().toStdWString();
        else if (combo->isEditable())
            combo->setEditText(QString::fromStdWString(value));
        else
            combo->setCurrentIndex(combo->findText(QString::fromStdWString(value)));
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        if (save_)
            value = box->title().toStdWString();
        else
            box->setTitle(QString::fromStdWString(value));
    }
}

void DataExchange::Radio(int firstId, int& index)
{
    auto* first = qobject_cast<QAbstractButton*>(item(firstId));
    if (!first)
        return;
    QList<QAbstractButton*> buttons;
    if (QButtonGroup* group = first->group())
        buttons = group->buttons();
    else
        buttons = {first};
    if (save_) {
        index = -1;
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            if (buttons[i]->isChecked()) {
                index = static_cast<int>(i);
                break;
            }
        }
        return;
    }
    if (index >= 0 && index < buttons.size()) {
        buttons[index]->setChecked(true);
    } else if (QButtonGroup* group = first->group()) {
        // No radio on: an exclusive group refuses to uncheck, so lift it briefly.
        group->setExclusive(false);
        for (auto* b : buttons)
            b->setChecked(false);
        group->setExclusive(true);
    } else {
        first->setChecked(false);
    }
}

void DataExchange::ComboIndex(int id, int& index)
{
    auto* combo = qobject_cast<QComboBox*>(item(id));
    if (!combo)
        return;
    if (save_)
        index = combo->currentIndex();
    else
        combo->setCurrentIndex(index);
}

void DataExchange::Check(int id, bool& checked)
{
    auto* button = qobject_cast<QAbstractButton*>(item(id));
    if (!button)
        return;
    if (save_)
        checked = button->isChecked();
    else
        button->setChecked(checked);
}

} // namespace plotwright::host
