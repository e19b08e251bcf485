#include "dialogs/ad_ui_bitmap_button.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>

CAdUiBitmapButton::CAdUiBitmapButton(QWidget* parent)
    : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(16, 16));
}

CAdUiBitmapButton::~CAdUiBitmapButton() = default;

bool CAdUiBitmapButton::AutoLoad()
{
    // The image is drawn at 16 by 16 (scaled with the screen), centred in the button.
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(16, 16));
    return true;
}

void CAdUiBitmapButton::SetIsToolButton(bool isToolButton)
{
    isToolButton_ = isToolButton;
    setAutoRaise(isToolButton);
}

void CAdUiBitmapButton::SetImage(const QIcon& image)
{
    setIcon(image);
    setToolButtonStyle(image.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
}

std::wstring CAdUiBitmapButton::GetToolTipText() const
{
    return {};
}

bool CAdUiBitmapButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const std::wstring text = GetToolTipText();
        auto* help = static_cast<QHelpEvent*>(event);
        if (text.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdWString(text), this);
        }
        return true;
    }
    return QToolButton::event(event);
}
