#include "grid/ug_cell.h"

void CUGCell::SetAlignment(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHorizontal_Mask)
        hAlign_ = alignment & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignVertical_Mask)
        vAlign_ = alignment & Qt::AlignVertical_Mask;
}

Qt::Alignment CUGCell::GetAlignment() const
{
    return hAlign_.value_or(Qt::AlignLeft) | vAlign_.value_or(Qt::AlignVCenter);
}

void CUGCell::Overlay(const CUGCell& top)
{
    auto take = [](auto& mine, const auto& theirs) {
        if (theirs)
            mine = theirs;
    };
    take(text_, top.text_);
    take(font_, top.font_);
    take(hAlign_, top.hAlign_);
    take(vAlign_, top.vAlign_);
    take(backColor_, top.backColor_);
    take(readOnly_, top.readOnly_);
    take(param_, top.param_);
}
