#pragma once
// One data-exchange pass between a dialog's controls and its members, in the
// direction UpdateData asked for: saving reads the controls, otherwise they are filled.

#include <string>

class CAdUiBaseDialog;
class QWidget;

namespace plotwright::host {

class DataExchange {
public:
    DataExchange(CAdUiBaseDialog& dialog, bool saveAndValidate);

    // True when the controls are read into the members.
    bool saveAndValidate() const { return save_; }
    CAdUiBaseDialog& dialog() const { return dialog_; }

    // Binds `control` (a member widget of the dialog) to control `id` on the first
    // pass: it takes the place, size, tab position and style of the template's control,
    // which is deleted. Later passes do nothing.
    void Control(int id, QWidget& control);
    // Text of an edit, label, button or editable combo box.
    void Text(int id, std::wstring& value);
    // Index of the checked radio button in the group that starts at `firstId`
    // (-1: none); saving stores it, otherwise the radio with that index is checked.
    void Radio(int firstId, int& index);
    // Current item of a combo box (-1: none).
    void ComboIndex(int id, int& index);
    // Check state of a check box or radio button.
    void Check(int id, bool& checked);

    // Marks the pass as failed; UpdateData then returns false.
    void Fail() { failed_ = true; }
    bool failed() const { return failed_; }

private:
    QWidget* item(int id) const;

    CAdUiBaseDialog& dialog_;
    bool save_;
    bool failed_ = false;
};

} // namespace plotwright::host
