#include "dialogs/ad_ui_base_dialog.h"

#include "host/backend.h"
#include "dialogs/ad_ui_bitmap_button.h"
#include "dialogs/control_factory.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include <vector>

namespace {

using plotwright::host::ControlTemplate;
using plotwright::host::DialogTemplate;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct Command {
    int id;
    int notification;
    std::function<void()> handler;
};

// Rounded a * b / c, as the dialog manager scales dialog units.
int mulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

QFont dialogFont(const DialogTemplate& t)
{
    QFont font = QApplication::font();
    const bool shellFont = t.fontName == L"MS Shell Dlg" || t.fontName == L"MS Shell Dlg 2"
        || t.fontName == L"MS Sans Serif" || t.fontName.empty();
    if (!shellFont)
        font.setFamily(QString::fromStdWString(t.fontName));
    font.setPointSize(t.fontPointSize > 0 ? t.fontPointSize : 8);
    return font;
}

} // namespace

struct CAdUiBaseDialog::Impl {
    DialogTemplate tmpl;
    std::vector<QPointer<QWidget>> controls;  // in template order
    std::vector<Command> commands;
    std::vector<QButtonGroup*> radioGroups;
    int baseX = 1;  // average character width
    int baseY = 1;  // character height
    bool initialised = false;
    bool ending = false;
    bool inEditorCommand = false;
    QRect placeBeforeCommand;
    QEventLoop* loop = nullptr;
};

CAdUiBaseDialog::CAdUiBaseDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , d_(std::make_unique<Impl>())
{
    d_->tmpl = dialogTemplate;
    setWindowTitle(QString::fromStdWString(dialogTemplate.caption));
    setFont(dialogFont(dialogTemplate));

    // The dialog manager's base units: the average width of the 52 Latin letters
    // (rounded as it does) and the full character height.
    const QFontMetrics metrics(font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    d_->baseX = std::max(1, (letters / 26 + 1) / 2);
    d_->baseY = std::max(1, metrics.height());

    const QRect client = MapDialogRect(0, 0, dialogTemplate.cx, dialogTemplate.cy);
    setFixedSize(client.size());
    setSizeGripEnabled(false);

    QButtonGroup* radios = nullptr;
    for (const ControlTemplate& c : dialogTemplate.controls) {
        QWidget* w = plotwright::host::createControl(c, this);
        d_->controls.emplace_back(w);
        if (c.kind == plotwright::host::ControlKind::RadioButton) {
            if (!radios || (c.style & plotwright::host::Group)) {
                radios = new QButtonGroup(this);
                d_->radioGroups.push_back(radios);
            }
            radios->addButton(static_cast<QAbstractButton*>(w));
        } else if (c.style & plotwright::host::Group) {
            radios = nullptr;
        }
    }
    for (std::size_t i = 0; i < d_->controls.size(); ++i)
        BindControl(dialogTemplate.controls[i].id, *d_->controls[i]);
}

CAdUiBaseDialog::~CAdUiBaseDialog()
{
    // Controls outlive this destructor (QWidget deletes them later): no command
    // may reach a dialog that is half destroyed.
    for (const auto& w : d_->controls) {
        if (w)
            disconnect(w, nullptr, this, nullptr);
    }
}

QRect CAdUiBaseDialog::MapDialogRect(int x, int y, int cx, int cy) const
{
    const int left = mulDiv(x, d_->baseX, 4);
    const int top = mulDiv(y, d_->baseY, 8);
    const int right = mulDiv(x + cx, d_->baseX, 4);
    const int bottom = mulDiv(y + cy, d_->baseY, 8);
    return QRect(left, top, right - left, bottom - top);
}

void CAdUiBaseDialog::BindControl(int id, QWidget& widget)
{
    std::size_t index = d_->controls.size();
    for (std::size_t i = 0; i < d_->controls.size(); ++i) {
        if (d_->tmpl.controls[i].id == id && (d_->controls[i] == &widget || index == d_->controls.size()))
            index = i;
    }
    if (index == d_->controls.size())
        return;
    const ControlTemplate& c = d_->tmpl.controls[index];
    QWidget* old = d_->controls[index];
    if (old && old != &widget) {
        // The replacement joins the old control's radio group, if any.
        if (auto* oldButton = qobject_cast<QAbstractButton*>(old)) {
            if (QButtonGroup* group = oldButton->group()) {
                group->removeButton(oldButton);
                if (auto* newButton = qobject_cast<QAbstractButton*>(&widget))
                    group->addButton(newButton);
            }
        }
        widget.setParent(this);
        widget.stackUnder(old);
    }
    d_->controls[index] = &widget;
    plotwright::host::applyTemplate(c, widget, *this);
    plotwright::host::connectNotifications(widget, id, this, [this](int cid, int code) { SendCommand(cid, code); });
    if (old && old != &widget)
        delete old;

    // Tab order follows the template among the controls that take the focus.
    QWidget* previous = nullptr;
    for (const auto& w : d_->controls) {
        if (!w || w->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QWidget* CAdUiBaseDialog::GetDlgItem(int id) const
{
    for (std::size_t i = 0; i < d_->controls.size(); ++i) {
        if (d_->tmpl.controls[i].id == id)
            return d_->controls[i];
    }
    return nullptr;
}

int CAdUiBaseDialog::DoModal()
{
    setWindowModality(Qt::ApplicationModal);
    d_->ending = false;
    setResult(0);
    show();
    if (!d_->ending) {
        // Our own loop rather than exec(): exec() ends when the dialog hides, and the
        // dialog hides while the user works in the editor (BeginEditorCommand).
        QEventLoop loop;
        d_->loop = &loop;
        QPointer<CAdUiBaseDialog> alive(this);
        loop.exec(QEventLoop::DialogExec);
        if (!alive)
            return IDCANCEL;
        d_->loop = nullptr;
    }
    setWindowModality(Qt::NonModal);
    return result();
}

void CAdUiBaseDialog::EndDialog(int result)
{
    d_->ending = true;
    QDialog::done(result);
    setResult(result);
    if (d_->loop)
        d_->loop->exit(result);
}

bool CAdUiBaseDialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.failed();
}

bool CAdUiBaseDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CAdUiBaseDialog::DoDataExchange(DataExchange&) {}

int CAdUiBaseDialog::OnKeepFocus()
{
    return 1;
}

void CAdUiBaseDialog::OnCommand(int id, int notification, std::function<void()> handler)
{
    d_->commands.push_back({id, notification, std::move(handler)});
}

bool CAdUiBaseDialog::SendCommand(int id, int notification)
{
    return OnCommandReceived(id, notification);
}

bool CAdUiBaseDialog::OnCommandReceived(int id, int notification)
{
    for (const Command& c : d_->commands) {
        if (c.id == id && c.notification == notification) {
            // A copy: the handler may register or end the dialog.
            const auto handler = c.handler;
            handler();
            return true;
        }
    }
    if (notification == BN_CLICKED && id == IDOK) {
        OnOK();
        return true;
    }
    if (notification == BN_CLICKED && id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CAdUiBaseDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CAdUiBaseDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CAdUiBaseDialog::accept()
{
    SendCommand(IDOK, BN_CLICKED);
}

void CAdUiBaseDialog::reject()
{
    SendCommand(IDCANCEL, BN_CLICKED);
}

void CAdUiBaseDialog::BeginEditorCommand()
{
    d_->inEditorCommand = true;
    d_->placeBeforeCommand = geometry();
    hide();
    plotwright::host::backend().beginEditorCommand();
}

void CAdUiBaseDialog::CompleteEditorCommand(bool restoreDialog)
{
    plotwright::host::backend().completeEditorCommand();
    d_->inEditorCommand = false;
    if (restoreDialog) {
        // Shown again, a dialog that was never moved by the program is centred anew
        // (and a window manager may add its frame once more): it stays where the user put it.
        show();
        setGeometry(d_->placeBeforeCommand);
        raise();
        activateWindow();
    } else {
        // A hidden dialog cannot be closed by the user: its run ends here.
        EndDialog(IDCANCEL);
    }
}

void CAdUiBaseDialog::showEvent(QShowEvent* event)
{
    d_->ending = false;
    if (!d_->initialised) {
        d_->initialised = true;
        if (OnInitDialog()) {
            for (const auto& w : d_->controls) {
                if (w && w->isEnabled() && !w->isHidden() && (w->focusPolicy() & Qt::TabFocus)) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
        }
    }
    QDialog::showEvent(event);
}

void CAdUiBaseDialog::closeEvent(QCloseEvent* event)
{
    if (d_->ending || !isVisible()) {
        event->accept();
        return;
    }
    // The close box is a Cancel command; the dialog decides whether it ends.
    event->ignore();
    SendCommand(IDCANCEL, BN_CLICKED);
}

void CAdUiBaseDialog::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier) {
        // A focused picture button is pressed like a focused push button.
        if (auto* tool = qobject_cast<QToolButton*>(focusWidget()); tool && tool->isEnabled()) {
            tool->click();
            return;
        }
        for (auto* button : findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isVisible()) {
                if (button->isEnabled())
                    button->click();
                return;
            }
        }
        // Without a default button Enter means OK, as in any dialog.
        SendCommand(IDOK, BN_CLICKED);
        return;
    }
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        SendCommand(IDCANCEL, BN_CLICKED);
        return;
    }
    QDialog::keyPressEvent(event);
}
