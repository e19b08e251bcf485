#pragma once
// The host's dialog base: a fixed-size Qt dialog built from a DialogTemplate, whose
// controls are addressed by numeric id, whose data moves through DoDataExchange and
// whose commands go to handlers registered by control id and notification.
// It also lets a flow hide it while the user works in the editor (EditorCommandBracket).

#include "host/editor_command.h"
#include "dialogs/data_exchange.h"
#include "dialogs/dialog_template.h"

#include <QDialog>

#include <functional>
#include <memory>

// Notifications a control sends to its dialog with its id.
constexpr int BN_CLICKED = 0;        // button pressed
constexpr int CBN_SELCHANGE = 1;     // the user chose another combo box item
constexpr int EN_CHANGE = 0x0300;    // an edit's text changed

class CAdUiBaseDialog : public QDialog, public plotwright::host::EditorCommandBracket {
    Q_OBJECT

public:
    using DataExchange = plotwright::host::DataExchange;

    // Builds every control of `dialogTemplate`; OnInitDialog runs when the dialog is first shown.
    explicit CAdUiBaseDialog(const plotwright::host::DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CAdUiBaseDialog() override;

    // Shows the dialog application-modal and runs until EndDialog; returns its result.
    int DoModal();
    // Ends the run (or, for a dialog shown with show(), hides it) with `result`.
    void EndDialog(int result);

    // Runs DoDataExchange: true reads the controls into the members, false fills
    // the controls. Returns false when the exchange failed.
    bool UpdateData(bool saveAndValidate = true);

    // The control with `id` (the first one for IDC_STATIC), or null.
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* control(int id) const { return dynamic_cast<T*>(GetDlgItem(id)); }

    // The answer to the editor's keep-focus query (message 0x7101): 1 keeps the focus.
    virtual int OnKeepFocus();

    // Sends command `notification` from control `id` through the dispatch, as the
    // control itself would. Returns true when a handler took it.
    bool SendCommand(int id, int notification = BN_CLICKED);

    // Hides the dialog and hands the input to the editor; its run goes on.
    void BeginEditorCommand() override;
    // Takes the input back and shows the dialog again; with `restoreDialog` false the
    // dialog stays hidden and its run ends with 2.
    void CompleteEditorCommand(bool restoreDialog = true) override;

    // Replaces the template's control `id` by `widget` (see DataExchange::Control).
    void BindControl(int id, QWidget& widget);

    // Pixel rectangle of a rectangle in dialog units, with this dialog's font.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;

protected:
    // Runs once before the dialog first shows. The base fills the controls
    // (UpdateData(false)); returning true gives the focus to the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);

    // Registers the handler of `notification` from control `id`. The first
    // registration that matches a command handles it, as in a message map.
    void OnCommand(int id, int notification, std::function<void()> handler);
    // Dispatch of one command. The default looks up the registered handlers;
    // unhandled OK (1) runs OnOK and unhandled Cancel (2) runs OnCancel.
    virtual bool OnCommandReceived(int id, int notification);
    // Reads the controls and ends with 1 when that succeeds.
    virtual void OnOK();
    // Ends with 2.
    virtual void OnCancel();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    // Escape and programmatic accept/reject go through the dispatch as commands 2 and 1.
    void accept() override;
    void reject() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    friend class plotwright::host::DataExchange;
};
