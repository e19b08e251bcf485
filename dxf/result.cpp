#include "dxf/file.h"

#include "base/utf8_text.h"

namespace plotwright::dxf {

Result DxfResult::toResult() const
{
    const auto wide = [](const std::string& text) { return base::wideFromUtf8(text); };
    Result out;
    out.status = ok() ? Status::ok : Status::fileError;
    out.message = wide(message);
    out.where.file = path;
    out.where.line = line;
    out.where.offset = offset;
    out.notice = wide(notice);
    out.warning = wide(warning);
    return out;
}

} // namespace plotwright::dxf
