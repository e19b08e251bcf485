#include "ui/bitmap_button.h"

#include "ui/resource_images.h"

#include <QEvent>

BitmapButton::BitmapButton(QWidget* parent)
    : CAdUiBitmapButton(parent)
{
}

BitmapButton::~BitmapButton() = default;

void BitmapButton::SetToolTipText(const std::wstring& text)
{
    toolTip_ = text;
    AutoLoad();
    SetIsToolButton(true);
}

void BitmapButton::SetUnavailableReason(const std::wstring& reason)
{
    reason_ = reason;
    setEnabled(reason.empty());
}

std::wstring BitmapButton::GetToolTipText() const
{
    return reason_.empty() ? toolTip_ : toolTip_ + L": " + reason_;
}

bool BitmapButton::SetBitmapResource(int resourceId)
{
    const QIcon image = plotwright::ui::MappedBitmap(resourceId, palette());
    if (image.isNull())
        return false;
    resourceId_ = resourceId;
    mapped_ = true;
    SetImage(image);
    return true;
}

bool BitmapButton::SetIconResource(int resourceId)
{
    const QIcon image = plotwright::ui::ResourceIcon(resourceId);
    if (image.isNull())
        return false;
    resourceId_ = resourceId;
    mapped_ = false;
    SetImage(image);
    return true;
}

void BitmapButton::changeEvent(QEvent* event)
{
    // The bitmap's colours follow the palette, as a mapped bitmap follows the system colours.
    if (event->type() == QEvent::PaletteChange && mapped_)
        reloadImage();
    CAdUiBitmapButton::changeEvent(event);
}

void BitmapButton::reloadImage()
{
    SetImage(plotwright::ui::MappedBitmap(resourceId_, palette()));
}
