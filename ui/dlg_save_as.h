#pragma once
// The small dialog in which the user names a curve before it is stored. It hands
// back the text exactly as left in the field; the caller judges the name.

#include "dialogs/ad_ui_base_dialog.h"

#include <string>

class CDlgSaveAs : public CAdUiBaseDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 104;
    static constexpr int IDC_NAME = 119;

    explicit CDlgSaveAs(QWidget* parent = nullptr);
    ~CDlgSaveAs() override;

    // Shown in the field when the dialog starts.
    void SetSuggestedName(const std::wstring& name) { suggestedName_ = name; }
    const std::wstring& GetSuggestedName() const { return suggestedName_; }
    // The field's text when the user pressed OK (result 1) or cancelled (result 2).
    const std::wstring& GetEnteredName() const { return enteredName_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

private:
    void onOk();
    void onCancel();

    std::wstring enteredName_;
    std::wstring suggestedName_;
};
