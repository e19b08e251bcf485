#pragma once
// The data a dialog is built from: caption, font, size in dialog units and the
// controls in template order. Dialog units scale with the dialog font, so one
// template looks right at any font size or screen density.

#include <string>
#include <vector>

namespace plotwright::host {

enum class ControlKind { PushButton, Edit, Static, GroupBox, ComboBox, RadioButton, CheckBox };

// Style flags of a control; combine with |.
enum ControlStyle : unsigned {
    StyleNone = 0,
    TabStop = 1u << 0,
    Group = 1u << 1,          // starts a group (radio buttons: a new exclusive set)
    DefaultButton = 1u << 2,  // push button pressed by Enter
    ReadOnly = 1u << 3,       // edit
    AutoHScroll = 1u << 4,    // edit
    Border = 1u << 5,         // edit
    VScroll = 1u << 6,        // combo box list
    DropDownList = 1u << 7,   // combo box without an edit part
    BitmapImage = 1u << 8,    // push button showing a picture (the host's tool button)
    IconImage = 1u << 9,      // push button showing an icon (the host's tool button)
    EtchedVertical = 1u << 10,    // static drawn as a vertical etched line
    EtchedHorizontal = 1u << 11,  // static drawn as a horizontal etched line
    Hidden = 1u << 12,
    Disabled = 1u << 13,
};

// The identifier of controls that are never addressed (labels, frames).
constexpr int IDC_STATIC = -1;

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    std::wstring text;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    unsigned style = StyleNone;
};

struct DialogTemplate {
    int id = 0;  // resource number, for reference
    std::wstring caption;
    // "MS Shell Dlg" (and "MS Sans Serif") stand for the platform's default UI font.
    std::wstring fontName = L"MS Shell Dlg";
    int fontPointSize = 8;
    int cx = 0, cy = 0;  // client size in dialog units
    std::vector<ControlTemplate> controls;
};

} // namespace plotwright::host
