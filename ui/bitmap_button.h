#pragma once
// The curve dialog's tool button: shows one of the module's pictures by resource
// number and has a tooltip. Bitmaps take the palette's button colours.

#include "dialogs/ad_ui_bitmap_button.h"

#include <string>

class BitmapButton : public CAdUiBitmapButton {
    Q_OBJECT

public:
    explicit BitmapButton(QWidget* parent = nullptr);
    ~BitmapButton() override;

    // Stores the tooltip and gives the button its tool-button look.
    void SetToolTipText(const std::wstring& text);
    // Bitmap 103; its black, dark grey, light grey and white become the palette's
    // button text, shadow, face and highlight colours. Returns false for an unknown id.
    bool SetBitmapResource(int resourceId);
    // Icons 105 (save), 106 (save as), 107 (delete), at 16 by 16. False for an unknown id.
    bool SetIconResource(int resourceId);

    // Why the button's action cannot run now; empty when it can. The button is disabled
    // while a reason is set, and its tooltip gives the reason after its own text.
    void SetUnavailableReason(const std::wstring& reason);

    std::wstring GetToolTipText() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void reloadImage();

    std::wstring toolTip_;
    std::wstring reason_;
    int resourceId_ = 0;
    bool mapped_ = false;  // a bitmap drawn in the palette's button colours
};
