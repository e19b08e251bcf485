#include "ui/dlg_curve.h"

#include "draw/place_curve.h"
#include "host/editor.h"
#include "install/install_folder.h"
#include "model/default_library.h"
#include "base/number_text.h"
#include "model/gallery_file.h"
#include "ui/curve_check.h"
#include "ui/curve_kind_text.h"
#include "ui/dlg_save_as.h"
#include "ui/stored_library.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextCharFormat>
#include <QSettings>
#include <QTimer>

#include <algorithm>

namespace {

using namespace plotwright::host;

DialogTemplate curveTemplate()
{
    DialogTemplate t;
    t.id = CDlgCurve::IDD;
    t.caption = L"Plotwright";
    t.cx = CDlgCurve::PreviewX + CDlgCurve::PreviewCx + 7;
    t.cy = 318;
    constexpr unsigned edit = Border | AutoHScroll | TabStop;
    constexpr unsigned combo = DropDownList | VScroll | TabStop;
    t.controls = {
        {IDOK, ControlKind::PushButton, L"Close", 289, 296, 50, 14, DefaultButton | TabStop},
        {CDlgCurve::IDC_PREDEFINED, ControlKind::ComboBox, L"", 16, 18, 145, 30, combo},
        {CDlgCurve::IDC_DRAW_PREDEFINED, ControlKind::PushButton, L"", 312, 18, 16, 14, BitmapImage | TabStop},
        {CDlgCurve::IDC_GRID, ControlKind::Static, L"", 16, 35, 312, 109, StyleNone},
        {CDlgCurve::IDC_PREDEFINED_TEXT, ControlKind::Edit, L"", 164, 18, 143, 13, edit | ReadOnly},
        {IDC_STATIC, ControlKind::GroupBox, L"Predefined curves", 7, 3, 331, 154, StyleNone},
        {IDC_STATIC, ControlKind::GroupBox, L"User defined curves", 7, 159, 332, 133, StyleNone},
        {CDlgCurve::IDC_USER, ControlKind::ComboBox, L"", 16, 172, 145, 30, combo},
        {CDlgCurve::IDC_FIRST_EXPRESSION, ControlKind::Edit, L"", 164, 192, 164, 12, edit},
        {CDlgCurve::IDC_FIRST_LABEL, ControlKind::Static, L"y = f(x) = ", 125, 194, 36, 8, StyleNone},
        {CDlgCurve::IDC_SECOND_LABEL, ControlKind::Static, L"y = f(t) = ", 125, 208, 34, 8, StyleNone},
        {CDlgCurve::IDC_SECOND_EXPRESSION, ControlKind::Edit, L"", 164, 207, 164, 12, edit},
        {CDlgCurve::IDC_DELETE, ControlKind::PushButton, L"", 164, 172, 16, 14, IconImage | TabStop},
        {CDlgCurve::IDC_EXPLICIT, ControlKind::RadioButton, L"Explicit cartesian", 16, 191, 69, 10, Group},
        {CDlgCurve::IDC_PARAMETRIC, ControlKind::RadioButton, L"Parametric cartesian", 16, 206, 81, 10, StyleNone},
        {CDlgCurve::IDC_POLAR, ControlKind::RadioButton, L"Explicit polar", 16, 221, 56, 10, StyleNone},
        {IDC_STATIC, ControlKind::Static, L"", 112, 189, 1, 87, EtchedVertical},
        {CDlgCurve::IDC_MINIMUM, ControlKind::Edit, L"", 244, 236, 84, 14, edit},
        {IDC_STATIC, ControlKind::Static, L"parameter min.", 164, 239, 50, 8, StyleNone},
        {IDC_STATIC, ControlKind::Static, L"parameter increment", 164, 272, 68, 8, StyleNone},
        {IDC_STATIC, ControlKind::Static, L"parameter max.", 164, 255, 52, 8, StyleNone},
        {CDlgCurve::IDC_MAXIMUM, ControlKind::Edit, L"", 244, 253, 84, 14, edit},
        {CDlgCurve::IDC_INCREMENT, ControlKind::Edit, L"", 244, 270, 84, 14, edit},
        {CDlgCurve::IDC_SAVE, ControlKind::PushButton, L"", 184, 172, 16, 14, IconImage | TabStop},
        {CDlgCurve::IDC_DRAW_USER, ControlKind::PushButton, L"", 311, 171, 16, 14, BitmapImage | TabStop},
        {CDlgCurve::IDC_SAVE_AS, ControlKind::PushButton, L"", 204, 172, 16, 14, IconImage | TabStop},
        {CDlgCurve::IDC_HINT, ControlKind::Static, L"Use 'x' as a parameter /example: sin(x)/", 164, 223, 165, 8,
         StyleNone},
        // After the other radio buttons in the template, so that they join their group.
        {CDlgCurve::IDC_SPACE, ControlKind::RadioButton, L"Space curve", 16, 236, 60, 10, StyleNone},
        {CDlgCurve::IDC_IMPLICIT, ControlKind::RadioButton, L"Implicit curve", 16, 251, 64, 10, StyleNone},
        {CDlgCurve::IDC_THIRD_LABEL, ControlKind::Static, L"z = f(t) = ", 125, 224, 34, 8, StyleNone},
        {CDlgCurve::IDC_THIRD_EXPRESSION, ControlKind::Edit, L"", 164, 222, 164, 12, edit},
    };
    return t;
}

const wchar_t* const explicitHint = L"Use 'x' as a parameter /example: sin(x)/";
const wchar_t* const runningTHint = L"Use 't' as a parameter /example: sin(t)/";
const wchar_t* const implicitHint = L"F(x, y) = 0; use 'x' and 'y' /example: x^2+y^2-4/";

// The radio buttons' indices of the kinds beyond the plane ones.
constexpr int kSpaceIndex = 3;
constexpr int kImplicitIndex = 4;

// The expression as the predefined area shows it: brackets become blanks, so the
// text keeps its length.
std::wstring predefinedExpression(const CEquation& equation)
{
    std::wstring text = plotwright::ui::expressionsText(equation);
    if (equation.GetType() == ImplicitCurve)
        text += L" = 0";
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'[' || c == L']'; }, L' ');
    return text;
}

// What the expression fields and the hint offer, as the command line's help lists it.
QString expressionHelp()
{
    return QStringLiteral(
        "Operators: + - * / ^, comparisons (1 or 0), and, or, xor, parentheses.\n"
        "Functions: sin cos tan asin acos atan sinh cosh tanh asinh acosh atanh (radians), log (base 10), "
        "log10 log2 ln exp sqrt sign rint floor ceil abs, if(c, a, b), mod(a, b) (the remainder with the sign "
        "of a), atan2(y, x), hypot(x, y), sum avg min max.\n"
        "Constants: PI and e. Numbers use \".\"; the comma separates a function's arguments only.");
}

QString numberFieldHelp()
{
    return QStringLiteral("A number or a constant expression such as 2*PI or 360/7, evaluated on Enter or Tab");
}

const wchar_t* hintOf(int type)
{
    return type == ExplicitCartesian ? explicitHint : type == ImplicitCurve ? implicitHint : runningTHint;
}

const wchar_t* kindName(int type)
{
    switch (type) {
    case ExplicitCartesian: return L"explicit cartesian";
    case ParametricCartesian: return L"parametric cartesian";
    case ExplicitPolar: return L"explicit polar";
    case SpaceCurve: return L"a space curve";
    case ImplicitCurve: return L"an implicit curve";
    default: return L"of an unknown kind";
    }
}

// `equation` with its parameters replaced by `parameters`, in that order.
void replaceParameters(CEquation& equation, const std::vector<CEquationParameterPtr>& parameters)
{
    CEquation fresh;
    fresh.SetType(equation.GetType());
    fresh.SetName(equation.GetName());
    fresh.SetEquationY(equation.GetEquationY());
    fresh.SetEquationX(equation.GetEquationX());
    fresh.SetEquationZ(equation.GetEquationZ());
    fresh.SetWindow(equation.GetWindow());
    fresh.SetCreatedBy(equation.GetCreatedBy());
    fresh.SetSelected(equation.GetSelected());
    for (const CEquationParameterPtr& p : parameters)
        fresh.AddParameter(p);
    equation = fresh;
}

bool hasRunningVariable(const CEquation& equation)
{
    return std::any_of(equation.GetParameters().begin(), equation.GetParameters().end(),
                       [](const CEquationParameterPtr& p) { return p->GetType() == RunningVariable; });
}

// The user fields as ApplyUserFields copies them into a curve: the expressions the kind
// uses (the others emptied, so that the library stores what the kind holds), an
// implicit curve's window in place of a running variable. False for a kind index
// outside 0..4 (the curve is then left as it was).
bool applyFields(CEquation& equation, int kindIndex, const std::wstring& first, const std::wstring& second,
                 const std::wstring& third, const ImplicitWindow& window, double minimum, double maximum,
                 double increment)
{
    std::wstring runningName;
    switch (kindIndex) {
    case 0:
        equation.SetType(ExplicitCartesian);
        equation.SetEquationY(first);
        equation.SetEquationX(std::wstring());
        runningName = L"x";
        break;
    case 1:
        equation.SetType(ParametricCartesian);
        equation.SetEquationX(first);
        equation.SetEquationY(second);
        runningName = L"t";
        break;
    case 2:
        equation.SetType(ExplicitPolar);
        equation.SetEquationY(first);
        equation.SetEquationX(std::wstring());
        runningName = L"t";
        break;
    case kSpaceIndex:
        equation.SetType(SpaceCurve);
        equation.SetEquationX(first);
        equation.SetEquationY(second);
        equation.SetEquationZ(third);
        runningName = L"t";
        break;
    case kImplicitIndex: {
        equation.SetType(ImplicitCurve);
        equation.SetEquationY(first);
        equation.SetEquationX(std::wstring());
        equation.SetEquationZ(std::wstring());
        equation.SetWindow(window);
        // x and y are its variables: a running variable would shadow one of them.
        std::vector<CEquationParameterPtr> constants;
        for (const CEquationParameterPtr& p : equation.GetParameters())
            if (p->GetType() != RunningVariable)
                constants.push_back(p);
        if (constants.size() != equation.GetParameters().size())
            replaceParameters(equation, constants);
        return true;
    }
    default:
        return false;
    }
    if (kindIndex != kSpaceIndex)
        equation.SetEquationZ(std::wstring());
    equation.SetWindow(ImplicitWindow{});
    // Coming from an implicit curve: the running variable comes back first, as the
    // range fields expect it.
    if (!hasRunningVariable(equation)) {
        std::vector<CEquationParameterPtr> parameters{std::make_shared<CEquationParameter>(
            ParameterFields{.name = runningName, .type = RunningVariable})};
        parameters.insert(parameters.end(), equation.GetParameters().begin(), equation.GetParameters().end());
        replaceParameters(equation, parameters);
    }
    if (!equation.GetParameters().empty())
        equation.RenameParameter(equation.GetParameters().front(), runningName);
    if (const CEquationParameterPtr running = equation.FindParameter(runningName)) {
        running->SetMinValue(minimum);
        running->SetMaxValue(maximum);
        running->SetIncrement(increment);
    }
    return true;
}

// Underlines characters [start, start + length) of `edit` in red (an empty range clears
// the marks) without touching its text, caret or undo history.
void underline(QLineEdit* edit, int start, int length)
{
    QList<QInputMethodEvent::Attribute> attributes;
    if (length > 0) {
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        format.setUnderlineColor(Qt::red);
        format.setForeground(QColor(190, 0, 0));
        attributes << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, start - edit->cursorPosition(),
                                                   length, format);
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(edit, &event);
}

const QColor faultBack(255, 215, 215);

} // namespace

CDlgCurve::CDlgCurve(QWidget* parent)
    : CAdUiBaseDialog(curveTemplate(), parent)
    , minimumField_(9, 4)
    , maximumField_(9, 4)
    , incrementField_(9, 4)
{
    equation_.SetType(ExplicitCartesian);
    equation_.SetCreatedBy(2);
    equation_.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"x", .type = RunningVariable, .increment = 0.1, .minValue = 0, .maxValue = 10}));

    OnCommand(IDC_DRAW_PREDEFINED, BN_CLICKED, [this] { OnDrawPredefined(); });
    OnCommand(IDOK, BN_CLICKED, [this] { OnClose(); });
    OnCommand(IDC_PREDEFINED, CBN_SELCHANGE, [this] { OnPredefinedChanged(); });
    // Escape and the close box end the dialog as Close does: nothing of the session is
    // thrown away, and nobody is left in a dialog that ignores the key every CAD user tries.
    OnCommand(IDCANCEL, BN_CLICKED, [this] { OnClose(); });
    OnCommand(IDC_DELETE, BN_CLICKED, [this] { OnDelete(); });
    OnCommand(IDC_SAVE, BN_CLICKED, [this] { OnSave(); });
    OnCommand(IDC_SAVE_AS, BN_CLICKED, [this] { OnSaveAs(); });
    OnCommand(IDC_DRAW_USER, BN_CLICKED, [this] { OnDrawUser(); });
    OnCommand(IDC_USER, CBN_SELCHANGE, [this] { OnUserChanged(); });
    for (const int radio : {IDC_EXPLICIT, IDC_PARAMETRIC, IDC_POLAR, IDC_SPACE, IDC_IMPLICIT})
        OnCommand(radio, BN_CLICKED, [this] { OnKindChanged(); });
}

CDlgCurve::~CDlgCurve() = default;

void CDlgCurve::DoDataExchange(DataExchange& dx)
{
    CAdUiBaseDialog::DoDataExchange(dx);
    dx.Control(IDC_PREDEFINED, predefinedCombo_);
    dx.Control(IDC_USER, userCombo_);
    dx.Control(IDC_DRAW_PREDEFINED, drawPredefinedButton_);
    dx.Control(IDC_DELETE, deleteButton_);
    dx.Control(IDC_SAVE, saveButton_);
    dx.Control(IDC_SAVE_AS, saveAsButton_);
    dx.Control(IDC_DRAW_USER, drawUserButton_);
    dx.Control(IDC_MINIMUM, minimumField_);
    dx.Control(IDC_MAXIMUM, maximumField_);
    dx.Control(IDC_INCREMENT, incrementField_);
    dx.Text(IDC_PREDEFINED_TEXT, predefinedText_);
    dx.Radio(IDC_EXPLICIT, kindIndex_);
    dx.Text(IDC_FIRST_EXPRESSION, firstText_);
    dx.Text(IDC_SECOND_EXPRESSION, secondText_);
    dx.Text(IDC_THIRD_EXPRESSION, thirdText_);
}

bool CDlgCurve::OnInitDialog()
{
    CAdUiBaseDialog::OnInitDialog();
    ConfigureNumberFields();
    LoadLibraries();
    FillEquationLists();

    grid_.AttachGrid(this, IDC_GRID);
    // The grid stands where the placeholder stood in the tab order.
    QWidget::setTabOrder(&drawPredefinedButton_, &grid_);
    QWidget::setTabOrder(&grid_, GetDlgItem(IDC_PREDEFINED_TEXT));

    preview_.setParent(this);
    preview_.setObjectName(QStringLiteral("control%1").arg(IDC_PREVIEW));
    preview_.setProperty("controlId", IDC_PREVIEW);
    preview_.setGeometry(MapDialogRect(PreviewX, PreviewY, PreviewCx, PreviewCy));
    preview_.setFocusPolicy(Qt::NoFocus);
    preview_.show();
    // Only sampling finds that no point is defined: the shown area's draw button then
    // says so, until the next change judges the curve again.
    connect(&preview_, &CurvePreview::updated, this, [this] {
        if (!preview_.NoDefinedPoint())
            return;
        BitmapButton& draw = previewArea_ == Area::Predefined ? drawPredefinedButton_ : drawUserButton_;
        draw.SetUnavailableReason(preview_.Message().toStdWString());
    });
    // The options come after every specified control in the tab order.
    options_.setParent(this);
    options_.setGeometry(MapDialogRect(PreviewX, OptionsY, PreviewCx, OptionsCy));
    options_.SetOptions(CurveOptionsBox::LoadStored());
    options_.SetTurnsByPoint(CurveOptionsBox::LoadStoredTurnsByPoint());
    preview_.SetSampler(plotwright::ui::makeDrawSampler(options_.Options()));
    connect(&options_, &CurveOptionsBox::changed, this, [this] {
        const plotwright::curve::CurveOptions options = options_.Options();
        // An edited curve's options are its own, not the user's choice for new curves;
        // a refused tolerance is not a choice either. The way of turning is the user's.
        if (!IsEditing() && options_.Problem().isEmpty())
            CurveOptionsBox::Store(options);
        CurveOptionsBox::StoreTurnsByPoint(options_.TurnsByPoint());
        preview_.SetSampler(plotwright::ui::makeDrawSampler(options));
        FieldsChanged(previewArea_);
    });
    options_.show();

    libraryCombo_.setParent(this);
    libraryCombo_.setObjectName(QStringLiteral("libraryChooser"));
    libraryCombo_.addItems({tr("Predefined curves"), tr("Gallery of classic curves"), tr("My curves")});
    libraryCombo_.setToolTip(tr("The library the predefined list shows"));
    libraryCombo_.setGeometry(MapDialogRect(16, 296, 145, 14));
    connect(&libraryCombo_, &QComboBox::activated, this,
            [this](int index) { ShowLibrary(static_cast<Library>(index)); });
    libraryCombo_.show();

    // The implicit curve's window stands where the range stands; the range's labels hide with it.
    windowBox_.setParent(this);
    windowBox_.setObjectName(QStringLiteral("control%1").arg(IDC_WINDOW));
    windowBox_.setProperty("controlId", IDC_WINDOW);
    windowBox_.setGeometry(MapDialogRect(WindowX, WindowY, WindowCx, WindowCy));
    windowBox_.hide();
    for (QLabel* label : findChildren<QLabel*>()) {
        const QString text = label->text();
        const int k = text == QLatin1String("parameter min.")         ? 0
                      : text == QLatin1String("parameter max.")       ? 1
                      : text == QLatin1String("parameter increment") ? 2
                                                                      : -1;
        if (k >= 0)
            rangeLabels_[static_cast<std::size_t>(k)] = label;
    }
    topView_.setParent(this);
    topView_.setText(tr("Top view"));
    topView_.setToolTip(tr("Shows a space curve from the top instead of obliquely"));
    topView_.setObjectName(QStringLiteral("control%1").arg(IDC_TOP_VIEW));
    topView_.setProperty("controlId", IDC_TOP_VIEW);
    topView_.setGeometry(MapDialogRect(PreviewX + PreviewCx - 46, PreviewY + 3, 42, 10));
    topView_.setFocusPolicy(Qt::TabFocus);
    connect(&topView_, &QCheckBox::toggled, this, [this](bool on) { preview_.SetTopView(on); });
    topView_.hide();
    // The new kinds' controls follow the ones they sit beside in the tab order.
    QWidget::setTabOrder(GetDlgItem(IDC_POLAR), GetDlgItem(IDC_SPACE));
    QWidget::setTabOrder(GetDlgItem(IDC_SPACE), GetDlgItem(IDC_IMPLICIT));
    QWidget::setTabOrder(GetDlgItem(IDC_SECOND_EXPRESSION), GetDlgItem(IDC_THIRD_EXPRESSION));
    QWidget* previous = &incrementField_;
    for (QWidget* next : {static_cast<QWidget*>(&windowBox_.FieldAt(ImplicitWindowBox::XMin)),
                          static_cast<QWidget*>(&windowBox_.FieldAt(ImplicitWindowBox::XMax)),
                          static_cast<QWidget*>(&windowBox_.FieldAt(ImplicitWindowBox::YMin)),
                          static_cast<QWidget*>(&windowBox_.FieldAt(ImplicitWindowBox::YMax)),
                          static_cast<QWidget*>(&windowBox_.GridUnit()),
                          static_cast<QWidget*>(&windowBox_.FieldAt(ImplicitWindowBox::Grid))}) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }

    UpdateData(false);
    UpdateData(true);
    ShowPredefinedEquation(CurrentEquation(predefinedCombo_));
    ShowUserEquation(equation_);
    OnUserChanged();
    SetUpToolButtons();

    // Every change is judged at once, so that the user sees what is wrong where it is.
    for (const int id : {IDC_FIRST_EXPRESSION, IDC_SECOND_EXPRESSION, IDC_THIRD_EXPRESSION})
        connect(control<QLineEdit>(id), &QLineEdit::textChanged, this, [this] { FieldsChanged(Area::User); });
    connect(&windowBox_, &ImplicitWindowBox::changed, this, [this] { FieldsChanged(Area::User); });
    for (NumericEdit* field : {&minimumField_, &maximumField_, &incrementField_})
        connect(field, &QLineEdit::textChanged, this, [this] { FieldsChanged(Area::User); });
    // A committed expression may be shown rounded; the curve takes its exact value.
    for (std::size_t k = 0; k < 3; ++k) {
        NumericEdit* field = std::array{&minimumField_, &maximumField_, &incrementField_}[k];
        connect(field, &NumericEdit::expressionCommitted, this, [this, field, k](double value) {
            shownRange_[k] = {field->text(), value};
            FieldsChanged(Area::User);
        });
    }
    // The tooltips of the fields say what is wrong; what they take is their help (Shift+F1).
    control<QLabel>(IDC_HINT)->setToolTip(expressionHelp());
    for (const int id : {IDC_FIRST_EXPRESSION, IDC_SECOND_EXPRESSION, IDC_THIRD_EXPRESSION})
        control<QLineEdit>(id)->setWhatsThis(expressionHelp());
    for (NumericEdit* field : {&minimumField_, &maximumField_, &incrementField_})
        field->setWhatsThis(numberFieldHelp());
    for (const int id : {IDC_EXPLICIT, IDC_PARAMETRIC, IDC_POLAR, IDC_SPACE, IDC_IMPLICIT})
        connect(control<QRadioButton>(id), &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                FieldsChanged(Area::User);
        });
    connect(&grid_, &MyCug::valuesChanged, this, [this] { FieldsChanged(Area::Predefined); });
    SetUpSliders();
    JudgePredefined();
    FieldsChanged(CurrentEquation(userCombo_) ? Area::User : Area::Predefined);
    if (edited_)
        ShowEditedCurve();
    return true;
}

void CDlgCurve::EditDrawnCurve(const plotwright::curve::CurveDefinition& definition, RedrawCurve redraw)
{
    edited_ = definition;
    redraw_ = std::move(redraw);
}

void CDlgCurve::ShowEditedCurve()
{
    const plotwright::curve::CurveDefinition& d = *edited_;
    setWindowTitle(windowTitle() + tr(" \u2013 editing a drawn curve"));
    pickOrigin_.setParent(this);
    pickOrigin_.setText(tr("Pick a new origin"));
    pickOrigin_.setToolTip(tr("Unchecked, the curve is drawn again where it is"));
    pickOrigin_.setObjectName(QStringLiteral("control%1").arg(IDC_PICK_ORIGIN));
    pickOrigin_.setProperty("controlId", IDC_PICK_ORIGIN);
    pickOrigin_.setGeometry(MapDialogRect(PreviewX, 296, 150, 12));
    pickOrigin_.show();
    options_.SetOptions(d.options);

    const CEquationPtr equation = plotwright::curve::equationOf(d);
    for (int i = 0; i < predefinedCombo_.count(); ++i) {
        auto* candidate = static_cast<CEquation*>(predefinedCombo_.itemData(i).value<void*>());
        if (!d.name.empty() && candidate && candidate->GetName() == d.name && candidate->GetType() == d.kind &&
            candidate->GetEquationY() == d.equationY && candidate->GetEquationX() == d.equationX &&
            candidate->GetEquationZ() == d.equationZ) {
            equation->CopyTo(*candidate);
            predefinedCombo_.setCurrentIndex(i);
            ShowPredefinedEquation(candidate);
            FieldsChanged(Area::Predefined);
            return;
        }
    }
    equation->CopyTo(equation_);
    userCombo_.setCurrentIndex(-1);
    ShowUserEquation(equation_);
    FieldsChanged(Area::User);
}

void CDlgCurve::FieldsChanged(Area area)
{
    previewArea_ = area;
    JudgePredefined();
    JudgeUser();
}

void CDlgCurve::MarkField(int id, const QString& message, int position)
{
    auto* edit = control<QLineEdit>(id);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, message.isEmpty() ? style()->standardPalette().color(QPalette::Base) : faultBack);
    edit->setPalette(palette);
    edit->setToolTip(message);
    const int length = static_cast<int>(edit->text().size());
    if (position >= 0 && length > 0)
        underline(edit, std::min(position, length - 1), 1);
    else
        underline(edit, 0, 0);
}

void CDlgCurve::JudgePredefined()
{
    CEquation* equation = CurrentEquation(predefinedCombo_);
    QString reason;
    if (grid_.HasRefusedValue())
        reason = grid_.RefusalMessage();
    else if (!equation)
        reason = QStringLiteral("No curve is chosen.");
    else
        reason = plotwright::ui::CheckCurve(*equation).message;
    if (reason.isEmpty())
        reason = options_.Problem();
    drawPredefinedButton_.SetUnavailableReason(reason.toStdWString());
    if (previewArea_ != Area::Predefined)
        return;
    preview_.SetNote({});
    OfferTopView(reason.isEmpty() ? equation->GetType() : 0);
    if (!reason.isEmpty())
        preview_.ShowProblem(reason);
    else
        preview_.ShowCurve(*equation);
}

int CDlgCurve::CheckedKind() const
{
    const int ids[] = {IDC_EXPLICIT, IDC_PARAMETRIC, IDC_POLAR, IDC_SPACE, IDC_IMPLICIT};
    for (int k = 1; k < 5; ++k)
        if (control<QRadioButton>(ids[k])->isChecked())
            return k;
    return 0;
}

void CDlgCurve::OfferTopView(int kind)
{
    topView_.setVisible(kind == SpaceCurve);
    if (kind == SpaceCurve)
        topView_.raise();
}

void CDlgCurve::JudgeUser()
{
    using Field = plotwright::ui::CurveProblem::Field;
    const int kind = CheckedKind();
    CEquation curve;
    equation_.CopyTo(curve);
    applyFields(curve, kind, control<QLineEdit>(IDC_FIRST_EXPRESSION)->text().toStdWString(),
                control<QLineEdit>(IDC_SECOND_EXPRESSION)->text().toStdWString(),
                control<QLineEdit>(IDC_THIRD_EXPRESSION)->text().toStdWString(), windowBox_.Window(), RangeValue(0),
                RangeValue(1), RangeValue(2));
    plotwright::ui::CurveProblem problem;
    // An expression the range field cannot take comes first: the curve would be judged
    // on a value that is not there. An implicit curve's window fields stand in for the range.
    const std::pair<Field, const NumericEdit*> ranges[] = {
        {Field::Minimum, &minimumField_}, {Field::Maximum, &maximumField_}, {Field::Increment, &incrementField_}};
    ImplicitWindowBox::Field windowField = ImplicitWindowBox::XMin;
    if (kind == kImplicitIndex) {
        if (const QString reason = windowBox_.Problem(&windowField); !reason.isEmpty())
            problem = {windowField == ImplicitWindowBox::Grid ? Field::Grid
                       : windowField <= ImplicitWindowBox::XMax ? Field::WindowX
                                                                : Field::WindowY,
                       reason};
    } else {
        for (const auto& [field, edit] : ranges) {
            if (problem.ok() && !edit->Problem().isEmpty())
                problem = {field, edit->Problem()};
        }
    }
    if (problem.ok())
        problem = plotwright::ui::CheckCurve(curve);
    if (problem.ok() && !options_.Problem().isEmpty())
        problem = {Field::None, options_.Problem()};

    const std::pair<Field, int> fields[] = {{Field::FirstExpression, IDC_FIRST_EXPRESSION},
                                            {Field::SecondExpression, IDC_SECOND_EXPRESSION},
                                            {Field::ThirdExpression, IDC_THIRD_EXPRESSION},
                                            {Field::Minimum, IDC_MINIMUM},
                                            {Field::Maximum, IDC_MAXIMUM},
                                            {Field::Increment, IDC_INCREMENT}};
    for (const auto& [field, id] : fields) {
        const bool atFault = !problem.ok() && problem.field == field;
        MarkField(id, atFault ? problem.message : QString(), atFault ? problem.position : -1);
    }
    // The window's own field at fault, else the side or the grid the check names.
    if (problem.field == Field::WindowX || problem.field == Field::WindowY || problem.field == Field::Grid) {
        if (windowBox_.Problem().isEmpty())
            windowField = problem.field == Field::WindowX   ? ImplicitWindowBox::XMax
                          : problem.field == Field::WindowY ? ImplicitWindowBox::YMax
                                                            : ImplicitWindowBox::Grid;
        windowBox_.Mark(windowField, problem.message);
    } else {
        windowBox_.Mark(ImplicitWindowBox::XMin, QString());
    }
    drawUserButton_.SetUnavailableReason(problem.message.toStdWString());
    if (previewArea_ != Area::User)
        return;
    OfferTopView(problem.ok() ? curve.GetType() : 0);
    preview_.SetNote(kind == kImplicitIndex ? QString() : RoundedRangeNote());
    if (!problem.ok())
        preview_.ShowProblem(problem.message);
    else
        preview_.ShowCurve(curve);
}

void CDlgCurve::ConfigureNumberFields()
{
    struct Setup {
        NumericEdit& field;
        double lower, upper;
        int integerDigits;
        double value;
    };
    for (const Setup& s : {Setup{minimumField_, -1000000, 1000000, 7, 0},
                           Setup{maximumField_, -1000000, 1000000, 7, 10},
                           Setup{incrementField_, 0, 1000, 3, 0.1}}) {
        s.field.SetBounds(s.lower, s.upper);
        s.field.SetFractionDigitLimit(5);
        s.field.SetIntegerDigitLimit(s.integerDigits);
        s.field.SetSeparatorChars(L'.', L'\'');
        s.field.SetNumber(s.value, true);
        s.field.SetExpressionsAllowed(true);
    }
}

void CDlgCurve::SetUpToolButtons()
{
    drawPredefinedButton_.SetBitmapResource(103);
    drawPredefinedButton_.SetToolTipText(L"Draw predefined curve");
    deleteButton_.SetIconResource(107);
    deleteButton_.SetToolTipText(L"Delete equation");
    saveButton_.SetIconResource(105);
    saveButton_.SetToolTipText(L"Save");
    saveAsButton_.SetIconResource(106);
    saveAsButton_.SetToolTipText(L"Save as");
    drawUserButton_.SetBitmapResource(103);
    drawUserButton_.SetToolTipText(L"Draw user defined curve");
}

std::wstring CDlgCurve::LibraryPath(const wchar_t* fileName) const
{
    return GetInstallFolder() + fileName;
}

void CDlgCurve::LoadLibraries()
{
    using plotwright::ui::ReadStoredLibrary;
    using plotwright::ui::StoredLibrary;

    predefinedList_ = std::make_shared<CEquationList>();
    const StoredLibrary predefined = ReadStoredLibrary(LibraryPath(PredefinedFileName), *predefinedList_);
    // Without a stored file, or when nothing of it could be read, the built-in curves stand.
    if (predefined.state == StoredLibrary::State::Missing
        || (predefined.state == StoredLibrary::State::Damaged && predefined.curvesRead == 0))
        predefinedList_->LoadFromXml(DefaultLibraryText());

    userList_ = std::make_shared<CEquationList>();
    const StoredLibrary user = ReadStoredLibrary(LibraryPath(UserFileName), *userList_);

    std::wstring report = plotwright::ui::DamageReport(predefined, L"The built-in curves are shown instead.");
    const std::wstring userReport = plotwright::ui::DamageReport(user, L"No stored curves are shown.");
    if (!report.empty() && !userReport.empty())
        report += L"\n\n";
    report += userReport;
    if (!report.empty()) {
        // Once the dialog is on screen, so that the message stands in front of it.
        QTimer::singleShot(0, this, [report] { AfxMessageBox(report.c_str(), MB_OK | MB_ICONEXCLAMATION); });
    }
}

CEquation* CDlgCurve::CurrentEquation(const QComboBox& combo)
{
    if (combo.currentIndex() < 0)
        return nullptr;
    return static_cast<CEquation*>(combo.currentData().value<void*>());
}

void CDlgCurve::AddItem(QComboBox& combo, CEquation& equation)
{
    combo.addItem(QString::fromStdWString(equation.GetName()), QVariant::fromValue(static_cast<void*>(&equation)));
}

void CDlgCurve::FillEquationLists()
{
    const std::pair<const CEquationListPtr*, QComboBox*> pairs[] = {{&predefinedList_, &predefinedCombo_},
                                                                   {&userList_, &userCombo_}};
    for (const auto& [list, combo] : pairs) {
        combo->clear();
        for (const CEquationPtr& equation : (*list)->GetEquations()) {
            if (equation)
                AddItem(*combo, *equation);
        }
        // The marked curve itself, not the first of its name: names may repeat.
        if (const CEquationPtr marked = (*list)->GetSelected())
            combo->setCurrentIndex(combo->findData(QVariant::fromValue(static_cast<void*>(marked.get()))));
        else
            combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    }
}

CEquationList& CDlgCurve::ShownList()
{
    switch (library_) {
    case Library::Gallery:
        if (!galleryList_) {
            galleryList_ = std::make_shared<CEquationList>();
            const std::string path = GalleryFilePath();
            if (!path.empty())
                plotwright::ui::ReadStoredLibrary(QString::fromStdString(path).toStdWString(), *galleryList_);
        }
        return *galleryList_;
    case Library::User:
        return *userList_;
    case Library::Predefined:
        break;
    }
    return *predefinedList_;
}

void CDlgCurve::ShowLibrary(Library library)
{
    UpdateData(true);
    library_ = library;
    {
        const QSignalBlocker quiet(libraryCombo_);
        libraryCombo_.setCurrentIndex(static_cast<int>(library));
    }
    CEquationList& list = ShownList();
    predefinedCombo_.clear();
    for (const CEquationPtr& equation : list.GetEquations())
        if (equation)
            AddItem(predefinedCombo_, *equation);
    const CEquationPtr marked = list.GetSelected();
    const int index = marked ? predefinedCombo_.findData(QVariant::fromValue(static_cast<void*>(marked.get()))) : -1;
    predefinedCombo_.setCurrentIndex(index >= 0 ? index : (predefinedCombo_.count() > 0 ? 0 : -1));
    if (predefinedCombo_.currentIndex() < 0) {
        // Nothing to show: the grid must not keep a curve of another list.
        predefinedText_.clear();
        UpdateData(false);
        grid_.SetEquation(nullptr);
        FieldsChanged(Area::Predefined);
        return;
    }
    OnPredefinedChanged();
}

void CDlgCurve::ShowPredefinedEquation(CEquation* equation)
{
    if (!equation)
        return;
    predefinedText_ = predefinedExpression(*equation);
    UpdateData(false);
    grid_.SetEquation(equation);
}

void CDlgCurve::ShowUserEquation(const CEquation& equation)
{
    auto* firstLabel = control<QLabel>(IDC_FIRST_LABEL);
    auto* secondLabel = control<QLabel>(IDC_SECOND_LABEL);
    QWidget* secondEdit = GetDlgItem(IDC_SECOND_EXPRESSION);
    const auto showSecond = [&](bool visible) {
        secondLabel->setVisible(visible);
        secondEdit->setVisible(visible);
    };
    // A space curve's z stands where the hint stands; an implicit curve's window where the range stands.
    const bool space = equation.GetType() == SpaceCurve;
    const bool implicit = equation.GetType() == ImplicitCurve;
    if (equation.GetType() >= ExplicitCartesian && equation.GetType() <= ImplicitCurve) {
        GetDlgItem(IDC_THIRD_LABEL)->setVisible(space);
        GetDlgItem(IDC_THIRD_EXPRESSION)->setVisible(space);
        GetDlgItem(IDC_HINT)->setVisible(!space);
        windowBox_.setVisible(implicit);
        for (QWidget* range : {static_cast<QWidget*>(&minimumField_), static_cast<QWidget*>(&maximumField_),
                               static_cast<QWidget*>(&incrementField_), rangeLabels_[0], rangeLabels_[1],
                               rangeLabels_[2], static_cast<QWidget*>(&rangeSlider_)})
            if (range)
                range->setVisible(!implicit);
    }
    switch (equation.GetType()) {
    case ExplicitCartesian:
        kindIndex_ = 0;
        showSecond(false);
        firstLabel->setText(QStringLiteral("y = f(x) = "));
        firstText_ = equation.GetEquationY();
        break;
    case ParametricCartesian:
        kindIndex_ = 1;
        showSecond(true);
        firstLabel->setText(QStringLiteral("x = f(t) = "));
        secondLabel->setText(QStringLiteral("y = f(t) = "));
        firstText_ = equation.GetEquationX();
        secondText_ = equation.GetEquationY();
        break;
    case ExplicitPolar:
        kindIndex_ = 2;
        showSecond(false);
        firstLabel->setText(QStringLiteral("r = f(t) = "));
        firstText_ = equation.GetEquationY();
        break;
    case SpaceCurve:
        kindIndex_ = kSpaceIndex;
        showSecond(true);
        firstLabel->setText(QStringLiteral("x = f(t) = "));
        secondLabel->setText(QStringLiteral("y = f(t) = "));
        firstText_ = equation.GetEquationX();
        secondText_ = equation.GetEquationY();
        thirdText_ = equation.GetEquationZ();
        break;
    case ImplicitCurve:
        kindIndex_ = kImplicitIndex;
        showSecond(false);
        firstLabel->setText(QStringLiteral("F(x, y) = "));
        firstText_ = equation.GetEquationY();
        windowBox_.SetWindow(equation.GetWindow());
        break;
    default:
        break;
    }

    if (equation.GetType() >= ExplicitCartesian && equation.GetType() <= ImplicitCurve)
        control<QLabel>(IDC_HINT)->setText(QString::fromWCharArray(hintOf(equation.GetType())));
    // An implicit curve has no range: the fields keep what they held for the other kinds.
    if (implicit) {
        UpdateData(false);
        return;
    }

    for (NumericEdit* field : {&minimumField_, &maximumField_, &incrementField_})
        field->SetWindowText(std::wstring());
    shownRange_ = {};
    if (!equation.GetParameters().empty()) {
        const CEquationParameter& running = *equation.GetParameters().front();
        minimumField_.SetNumber(running.GetMinValue(), true);
        maximumField_.SetNumber(running.GetMaxValue(), true);
        incrementField_.SetNumber(running.GetIncrement(), true);
        shownRange_ = {ShownValue{minimumField_.text(), running.GetMinValue()},
                       ShownValue{maximumField_.text(), running.GetMaxValue()},
                       ShownValue{incrementField_.text(), running.GetIncrement()}};
    }
    UpdateData(false);
}

double CDlgCurve::RangeValue(int which) const
{
    const NumericEdit* fields[] = {&minimumField_, &maximumField_, &incrementField_};
    const NumericEdit& field = *fields[which];
    if (draggedRangeEnd_ && which == slidRangeEnd_)
        return *draggedRangeEnd_;
    // A stored value with more digits than the field keeps is used as stored until the
    // field is changed: showing it must not change the curve.
    const ShownValue& shown = shownRange_[static_cast<std::size_t>(which)];
    if (!shown.text.isEmpty() && field.text() == shown.text)
        return shown.exact;
    return field.GetNumber();
}

QString CDlgCurve::RoundedRangeNote() const
{
    const NumericEdit* fields[] = {&minimumField_, &maximumField_, &incrementField_};
    const char* names[] = {"minimum", "maximum", "increment"};
    QStringList notes;
    for (int k = 0; k < 3; ++k) {
        const ShownValue& shown = shownRange_[static_cast<std::size_t>(k)];
        if (!shown.text.isEmpty() && fields[k]->text() == shown.text && fields[k]->GetNumber() != shown.exact)
            notes << QStringLiteral("%1 shown rounded: %2")
                         .arg(QLatin1String(names[k]),
                              QString::fromStdString(plotwright::base::formatShortest(shown.exact)));
    }
    return notes.join(QStringLiteral("; "));
}

void CDlgCurve::ApplyUserFields()
{
    if (!applyFields(equation_, kindIndex_, firstText_, secondText_, thirdText_, windowBox_.Window(), RangeValue(0),
                     RangeValue(1), RangeValue(2)))
        return;
    control<QLabel>(IDC_HINT)->setText(QString::fromWCharArray(hintOf(equation_.GetType())));
}

void CDlgCurve::OnPredefinedChanged()
{
    UpdateData(true);
    ShowPredefinedEquation(CurrentEquation(predefinedCombo_));
    FieldsChanged(Area::Predefined);
}

void CDlgCurve::OnDrawPredefined()
{
    UpdateData(true);
    // A value the grid refused is on show but not in the curve: drawing would use another.
    if (grid_.HasRefusedValue())
        return;
    if (CEquation* equation = CurrentEquation(predefinedCombo_)) {
        if (redraw_) {
            redraw_(*equation, options_.Options(), pickOrigin_.isChecked(), options_.AsksForRotation());
            return;
        }
        DrawOutcome outcome;
        DrawCurveFlow(*this, *equation, outcome, options_.Options(), PickSteps{options_.AsksForRotation()});
    }
}

void CDlgCurve::OnUserChanged()
{
    UpdateData(true);
    if (const CEquation* equation = CurrentEquation(userCombo_)) {
        equation->CopyTo(equation_);
        ShowUserEquation(equation_);
        FieldsChanged(Area::User);
    }
}

void CDlgCurve::OnKindChanged()
{
    UpdateData(true);
    ApplyUserFields();
    ShowUserEquation(equation_);
}

void CDlgCurve::OnDrawUser()
{
    UpdateData(true);
    ApplyUserFields();
    if (redraw_) {
        redraw_(equation_, options_.Options(), pickOrigin_.isChecked(), options_.AsksForRotation());
        return;
    }
    DrawOutcome outcome;
    DrawCurveFlow(*this, equation_, outcome, options_.Options(), PickSteps{options_.AsksForRotation()});
}

void CDlgCurve::OnSave()
{
    UpdateData(true);
    ApplyUserFields();
    CEquation* stored = CurrentEquation(userCombo_);
    if (!stored) {
        OnSaveAs();
        return;
    }
    if (AskBeforeReplacing() && stored->GetType() != equation_.GetType()) {
        const std::wstring question = L"The stored curve \"" + stored->GetName() + L"\" is " + kindName(stored->GetType())
            + L", the curve in the fields is " + kindName(equation_.GetType()) + L".\nReplace the stored curve?";
        if (AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    equation_.CopyTo(*stored);
    // The stored curve has new parameters: a grid showing it must not keep the old ones.
    if (library_ == Library::User)
        OnPredefinedChanged();
}

void CDlgCurve::OnSaveAs()
{
    UpdateData(true);
    ApplyUserFields();
    const std::wstring suggestion = plotwright::ui::expressionsText(equation_);

    std::wstring name;
    {
        CDlgSaveAs dialog(this);
        dialog.SetSuggestedName(suggestion);
        if (dialog.DoModal() != IDOK)
            return;
        name = dialog.GetEnteredName();
    }
    // Names may repeat; a user who wants to be asked before a curve of the same name is
    // replaced turns the question on.
    for (int i = 0; AskBeforeReplacing() && i < userCombo_.count(); ++i) {
        auto* existing = static_cast<CEquation*>(userCombo_.itemData(i).value<void*>());
        if (!existing || existing->GetName() != name)
            continue;
        const std::wstring question = L"A curve named \"" + name + L"\" already exists.\nDo you want to replace it?";
        if (AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        equation_.SetName(name);
        equation_.CopyTo(*existing);
        userCombo_.setCurrentIndex(i);
        if (library_ == Library::User)
            OnPredefinedChanged();
        return;
    }
    equation_.SetName(name);
    auto stored = std::make_shared<CEquation>();
    equation_.CopyTo(*stored);
    userList_->AddEquation(stored);
    AddItem(userCombo_, *stored);
    userCombo_.setCurrentIndex(userCombo_.count() - 1);
    if (library_ == Library::User)
        AddItem(predefinedCombo_, *stored);
}

bool CDlgCurve::AskBeforeReplacing()
{
    QSettings settings(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright"));
    return settings.value(QStringLiteral("CurveDialog/askBeforeReplacing"), false).toBool();
}

void CDlgCurve::SetAskBeforeReplacing(bool ask)
{
    QSettings settings(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright"));
    settings.setValue(QStringLiteral("CurveDialog/askBeforeReplacing"), ask);
}

void CDlgCurve::OnDelete()
{
    UpdateData(true);
    const CEquation* equation = CurrentEquation(userCombo_);
    if (!equation)
        return;
    // The item goes first: its data must not outlive the equation it points to. The
    // same holds for the predefined list and the grid while they show the user's curves.
    const int index = userCombo_.currentIndex();
    userCombo_.removeItem(index);
    if (library_ == Library::User) {
        grid_.SetEquation(nullptr);
        predefinedCombo_.clear();
    }
    userList_->RemoveEquation(equation);
    userCombo_.setCurrentIndex(userCombo_.count() > 0 ? 0 : -1);
    if (userCombo_.currentIndex() >= 0)
        OnUserChanged();
    if (library_ == Library::User)
        ShowLibrary(Library::User);
}

namespace {

// What a user types for a parameter: the fields of the range and of constants.
bool sameParameter(const CEquationParameter& a, const CEquationParameter& b)
{
    return a.GetName() == b.GetName() && a.GetType() == b.GetType() && a.GetValue() == b.GetValue() &&
           a.GetMinValue() == b.GetMinValue() && a.GetMaxValue() == b.GetMaxValue() &&
           a.GetIncrement() == b.GetIncrement();
}

bool sameCurve(const CEquation& a, const CEquation& b)
{
    if (a.GetType() != b.GetType() || a.GetEquationX() != b.GetEquationX() || a.GetEquationY() != b.GetEquationY() ||
        a.GetEquationZ() != b.GetEquationZ() || !(a.GetWindow() == b.GetWindow()) ||
        a.GetParameters().size() != b.GetParameters().size())
        return false;
    for (std::size_t i = 0; i < a.GetParameters().size(); ++i)
        if (!sameParameter(*a.GetParameters()[i], *b.GetParameters()[i]))
            return false;
    return true;
}

} // namespace

bool CDlgCurve::UserFieldsUnsaved()
{
    // Editing a drawn curve, the fields hold the drawing's curve, which the drawing keeps.
    if (IsEditing())
        return false;
    UpdateData(true);
    ApplyUserFields();
    if (const CEquation* stored = CurrentEquation(userCombo_))
        return !sameCurve(*stored, equation_);
    return !equation_.GetEquationY().empty() || !equation_.GetEquationX().empty() || !equation_.GetEquationZ().empty();
}

void CDlgCurve::OnClose()
{
    // A curve typed into the fields would be lost: ask, as an editor asks for a document.
    if (UserFieldsUnsaved()) {
        const int answer = AfxMessageBox(L"The user-defined curve in the fields is not saved.\nSave it before closing?",
                                         MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        // Save as cancelled (no curve to save into yet): the dialog stays open.
        if (answer == IDYES) {
            OnSave();
            if (UserFieldsUnsaved())
                return;
        }
    }
    struct Failure {
        std::wstring path;
        std::wstring reason;
    };
    std::vector<Failure> failures;
    const std::pair<const wchar_t*, std::pair<CEquationList*, QComboBox*>> libraries[] = {
        {PredefinedFileName, {predefinedList_.get(), &predefinedCombo_}},
        {UserFileName, {userList_.get(), &userCombo_}},
    };
    for (const auto& [fileName, target] : libraries) {
        const auto& [list, combo] = target;
        // Editing a drawn curve shows its values in the predefined list's entry: they are
        // the drawing's, not a change of the stored library.
        if (IsEditing() && list == predefinedList_.get())
            continue;
        const std::wstring path = LibraryPath(fileName);
        UpdateData(true);
        // The predefined combo box marks a curve of the predefined list only while it shows that list.
        const bool shows = combo != &predefinedCombo_ || library_ == Library::Predefined;
        if (CEquation* current = CurrentEquation(*combo); current && shows)
            list->SetSelected(*current);
        std::wstring reason;
        if (!list->SaveToFile(path, &reason))
            failures.push_back({path, reason});
    }

    if (!failures.empty()) {
        // Closing would drop every change made since the dialog opened: let the user
        // keep the dialog open, fix the folder and press Close again.
        std::wstring text;
        for (const Failure& f : failures)
            text += L"The curve library \"" + f.path + L"\" could not be saved: " + f.reason + L".\n";
        text += failures.size() == 1 ? L"\nClose anyway? The changes made to this library will be lost."
                                     : L"\nClose anyway? The changes made to these libraries will be lost.";
        if (AfxMessageBox(text.c_str(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
    }
    EndDialog(IDOK);
}
