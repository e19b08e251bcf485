#pragma once
// The curve dialog: pick a curve of the predefined library, set its parameters in the
// grid and draw it; or write a curve of one's own, draw it and keep it in the user
// library. Both libraries are read when the dialog starts and written when it closes.

#include "dialogs/ad_ui_base_dialog.h"
#include "model/equation.h"
#include "model/equation_list.h"
#include "ui/bitmap_button.h"
#include "ui/curve_options_box.h"
#include "ui/curve_preview.h"
#include "ui/implicit_window_box.h"
#include "ui/my_cug.h"
#include "ui/numeric_edit.h"
#include "ui/value_slider.h"

#include "curve/curve_definition.h"

#include <QCheckBox>
#include <QComboBox>

#include <array>
#include <functional>
#include <optional>
#include <string>

class CDlgCurve : public CAdUiBaseDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 102;

    // Control ids of template 102.
    static constexpr int IDC_CLOSE = 1;
    static constexpr int IDC_PREDEFINED = 100;
    static constexpr int IDC_DRAW_PREDEFINED = 101;
    static constexpr int IDC_DRAW_USER = 102;
    static constexpr int IDC_GRID = 103;
    static constexpr int IDC_PREDEFINED_TEXT = 104;
    static constexpr int IDC_USER = 105;
    static constexpr int IDC_FIRST_EXPRESSION = 106;
    static constexpr int IDC_SECOND_EXPRESSION = 107;
    static constexpr int IDC_DELETE = 108;
    static constexpr int IDC_EXPLICIT = 109;
    static constexpr int IDC_MINIMUM = 110;
    static constexpr int IDC_PARAMETRIC = 111;
    static constexpr int IDC_POLAR = 112;
    static constexpr int IDC_MAXIMUM = 113;
    static constexpr int IDC_INCREMENT = 114;
    static constexpr int IDC_SAVE = 115;
    static constexpr int IDC_SAVE_AS = 116;
    static constexpr int IDC_FIRST_LABEL = 117;
    static constexpr int IDC_SECOND_LABEL = 118;
    static constexpr int IDC_HINT = 120;
    // Not in the template: the preview beside both groups, placed at start-up.
    static constexpr int IDC_PREVIEW = 121;
    // Where the preview stands, in dialog units; the template is widened to hold it.
    static constexpr int PreviewX = 346, PreviewY = 8, PreviewCx = 200, PreviewCy = 206;
    // The drawing options and the placement below the preview.
    static constexpr int OptionsY = 218, OptionsCy = 74;

    // File names of the two libraries in the install folder.
    static constexpr const wchar_t* PredefinedFileName = L"curveDefinition.xml";
    static constexpr const wchar_t* UserFileName = L"curveDefinition_User.xml";

    // Not in the template: in edit mode, whether a draw asks for a new origin.
    static constexpr int IDC_PICK_ORIGIN = 122;

    // The kinds beyond the plane ones: a space curve's z field (where the hint stands,
    // which it hides), and an implicit curve's window and grid (in place of the range).
    static constexpr int IDC_SPACE = 123;
    static constexpr int IDC_IMPLICIT = 124;
    static constexpr int IDC_THIRD_LABEL = 125;
    static constexpr int IDC_THIRD_EXPRESSION = 126;
    // Not in the template: the window fields, and the preview's choice of a top view
    // for space curves (at the preview's top right, shown with a space curve).
    static constexpr int IDC_WINDOW = 127;
    static constexpr int IDC_TOP_VIEW = 128;
    static constexpr int WindowX = 164, WindowY = 236, WindowCx = 164, WindowCy = 48;

    explicit CDlgCurve(QWidget* parent = nullptr);
    ~CDlgCurve() override;

    // Draws a curve again: the curve as the fields give it, the drawing options, whether
    // the user asked to pick a new origin, and whether the rotation is asked for after it
    // ("Turn by a point" with no angle typed).
    using RedrawCurve = std::function<void(CEquation& equation, const plotwright::curve::CurveOptions& options,
                                           bool pickOrigin, bool rotationByPoint)>;
    // Edit mode, set before the dialog starts: it opens with `definition` (the predefined
    // curve selected when its name, kind and expressions match one, otherwise in the
    // user-defined fields, with the definition's drawing options) and both draw buttons
    // call `redraw` instead of drawing a new curve. The remembered options stay as they are.
    void EditDrawnCurve(const plotwright::curve::CurveDefinition& definition, RedrawCurve redraw);
    bool IsEditing() const { return redraw_ != nullptr; }

    // A user setting, off unless turned on: Save asks before it replaces a stored curve
    // of another kind, and Save as before it replaces a curve of the same name (off, the
    // fields are copied without a question and Save as adds a curve of that name).
    static bool AskBeforeReplacing();
    static void SetAskBeforeReplacing(bool ask);

    // The working equation: the user-defined curve being edited.
    const CEquation& WorkingEquation() const { return equation_; }
    const CEquationListPtr& PredefinedList() const { return predefinedList_; }
    const CEquationListPtr& UserList() const { return userList_; }
    CurvePreview& Preview() { return preview_; }

    // The library the predefined list shows, chosen below the groups: the stored
    // predefined curves, the gallery of classic curves, or the user's own curves, so that
    // any curve with constants gets its grid. Grid edits of gallery curves last for the
    // dialog's run; those of the user's own are written at Close.
    enum class Library { Predefined, Gallery, User };
    void ShowLibrary(Library library);
    Library ShownLibrary() const { return library_; }
    CurveOptionsBox& Options() { return options_; }
    // The slider of the number selected in the grid, and the one of the user-defined
    // range end whose field had the focus last (the maximum at first).
    ValueSlider& GridSlider() { return gridSlider_; }
    ValueSlider& RangeSlider() { return rangeSlider_; }
    ImplicitWindowBox& WindowFields() { return windowBox_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

private:
    void FillEquationLists();
    // Null changes nothing.
    void ShowPredefinedEquation(CEquation* equation);
    void ShowUserEquation(const CEquation& equation);
    void ApplyUserFields();

    void OnDrawPredefined();
    void OnClose();
    // Whether the user-defined fields hold a curve that is not stored: typed but not saved.
    bool UserFieldsUnsaved();
    void OnPredefinedChanged();
    void OnDelete();
    void OnSave();
    void OnSaveAs();
    void OnDrawUser();
    void OnUserChanged();
    void OnKindChanged();

    // The area whose curve the preview shows: the one changed last.
    enum class Area { Predefined, User };
    // Judges the curve of `area` as its fields stand now, marks what is wrong, sets the
    // draw buttons and hands the curve (or the problem) to the preview.
    void FieldsChanged(Area area);
    void JudgePredefined();
    void JudgeUser();
    void MarkField(int id, const QString& message, int position);
    // The kind the radio buttons choose, as an index 0 (explicit) to 4 (implicit).
    int CheckedKind() const;
    // Shows the top-view choice while the preview shows a curve of `kind`.
    void OfferTopView(int kind);

    void LoadLibraries();
    // Shows the edited curve's definition (edit mode).
    void ShowEditedCurve();
    void ConfigureNumberFields();
    void SetUpToolButtons();
    // The equation the combo box's current item refers to, or null.
    static CEquation* CurrentEquation(const QComboBox& combo);
    static void AddItem(QComboBox& combo, CEquation& equation);
    std::wstring LibraryPath(const wchar_t* fileName) const;

    // The sliders (dlg_curve_sliders.cpp): they preview while dragged and offer the value
    // let go to the grid or the range field, which may refuse it.
    void SetUpSliders();
    void ShowGridNumberOnSlider();
    void PreviewGridNumber(double value);
    void OfferGridNumber(double value);
    void ShowRangeEndOnSlider(int which);
    void PreviewRangeEnd(double value);
    void OfferRangeEnd(double value);

    // The list the predefined combo box shows (library_).
    CEquationList& ShownList();
    // The range field `which` (0 minimum, 1 maximum, 2 increment): the stored value while
    // the field shows it unchanged, else the field's number.
    double RangeValue(int which) const;  // draggedRangeEnd_ for the dragged end
    // "maximum shown rounded: 6.283185307179586" for each stored value the fields show
    // rounded; empty when none.
    QString RoundedRangeNote() const;

    CEquationListPtr predefinedList_;
    CEquationListPtr galleryList_;  // read when first shown
    struct ShownValue {
        QString text;  // as the field showed it; empty: nothing shown from a stored curve
        double exact = 0;
    };
    std::array<ShownValue, 3> shownRange_;
    Library library_ = Library::Predefined;
    QComboBox libraryCombo_;
    CEquationListPtr userList_;
    MyCug grid_;
    QComboBox predefinedCombo_;
    std::wstring predefinedText_;
    QComboBox userCombo_;
    BitmapButton drawPredefinedButton_;
    BitmapButton deleteButton_;
    BitmapButton saveButton_;
    BitmapButton saveAsButton_;
    BitmapButton drawUserButton_;
    int kindIndex_ = 0;
    NumericEdit minimumField_;
    NumericEdit maximumField_;
    NumericEdit incrementField_;
    CEquation equation_;
    CurvePreview preview_;
    CurveOptionsBox options_;
    Area previewArea_ = Area::User;
    std::wstring firstText_;
    std::wstring secondText_;
    std::wstring thirdText_;
    ImplicitWindowBox windowBox_;
    QCheckBox topView_;
    std::array<QWidget*, 3> rangeLabels_{};  // "parameter min.", "max.", "increment"
    std::optional<plotwright::curve::CurveDefinition> edited_;
    RedrawCurve redraw_;
    QCheckBox pickOrigin_;
    ValueSlider gridSlider_;
    ValueSlider rangeSlider_{nullptr, ValueSlider::Label::Above};
    std::optional<MyCug::CellNumber> slidNumber_;  // the grid's number on the slider
    int slidRangeEnd_ = 1;  // 0 minimum, 1 maximum
    // While a range end is dragged: its value in place of the field's, for the preview.
    std::optional<double> draggedRangeEnd_;
    bool offering_ = false;  // the grid takes a slider's value: its span stays
};
