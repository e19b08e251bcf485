#include "ui/dlg_save_as.h"

#include <QLineEdit>

namespace {

using namespace plotwright::host;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

DialogTemplate saveAsTemplate()
{
    DialogTemplate t;
    t.id = CDlgSaveAs::IDD;
    t.caption = L"Save as...";
    t.cx = 239;
    t.cy = 60;
    t.controls = {
        {IDOK, ControlKind::PushButton, L"OK", 130, 39, 50, 14, DefaultButton | TabStop},
        {IDCANCEL, ControlKind::PushButton, L"Cancel", 182, 39, 50, 14, TabStop},
        {CDlgSaveAs::IDC_NAME, ControlKind::Edit, L"", 7, 17, 225, 14, Border | AutoHScroll | TabStop},
        {IDC_STATIC, ControlKind::Static, L"Equation name:", 7, 7, 51, 8, StyleNone},
    };
    return t;
}

} // namespace

CDlgSaveAs::CDlgSaveAs(QWidget* parent)
    : CAdUiBaseDialog(saveAsTemplate(), parent)
{
    OnCommand(IDOK, BN_CLICKED, [this] { onOk(); });
    OnCommand(IDCANCEL, BN_CLICKED, [this] { onCancel(); });
}

CDlgSaveAs::~CDlgSaveAs() = default;

bool CDlgSaveAs::OnInitDialog()
{
    CAdUiBaseDialog::OnInitDialog();
    enteredName_ = suggestedName_;
    UpdateData(false);
    // Typing goes into the name at once, replacing the suggestion; the default button
    // must not take the first space or letter.
    auto* name = control<QLineEdit>(IDC_NAME);
    name->setFocus(Qt::OtherFocusReason);
    // All selected, the caret at the start: a long name is shown from its beginning.
    name->setSelection(static_cast<int>(name->text().size()), -static_cast<int>(name->text().size()));
    return false;
}

void CDlgSaveAs::DoDataExchange(DataExchange& dx)
{
    CAdUiBaseDialog::DoDataExchange(dx);
    dx.Text(IDC_NAME, enteredName_);
}

void CDlgSaveAs::onOk()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDlgSaveAs::onCancel()
{
    UpdateData(true);
    EndDialog(IDCANCEL);
}
