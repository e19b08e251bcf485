#pragma once
// What a modal dialog offers a flow that needs editor input while it runs: it hides
// and hands control to the editor, then shows again and its modal loop goes on.
// The Qt dialog base implements it; tests use a recording stand-in.

namespace plotwright::host {

class EditorCommandBracket {
public:
    virtual ~EditorCommandBracket() = default;
    virtual void BeginEditorCommand() = 0;
    // `restoreDialog`: show the dialog again and continue its modal loop.
    virtual void CompleteEditorCommand(bool restoreDialog = true) = 0;
};

} // namespace plotwright::host
