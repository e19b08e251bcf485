#include "dxf/file.h"

#include "base/utf8_text.h"

namespace plotwright::dxf {

namespace {

Status statusOf(DxfStatus status)
{
    switch (status) {
    case DxfStatus::ok: return Status::ok;
    case DxfStatus::fileAccess: return Status::fileError;
    case DxfStatus::writeFailed: return Status::writeFailed;
    case DxfStatus::notDxf:
    case DxfStatus::binaryDxf: return Status::notDrawing;
    case DxfStatus::truncated:
    case DxfStatus::malformed: return Status::damagedDrawing;
    case DxfStatus::unsupported: return Status::unsupportedDrawing;
    case DxfStatus::nonFinite: return Status::refused;
    }
    return Status::fileError;
}

} // namespace

Result DxfResult::toResult() const
{
    const auto wide = [](const std::string& text) { return base::wideFromUtf8(text); };
    Result out;
    out.status = statusOf(status);
    out.message = wide(message);
    out.where.file = path;
    out.where.line = line;
    out.where.offset = offset;
    out.notice = wide(notice);
    out.warning = wide(warning);
    if (!warning.empty()) {
        out.warningAt.file = path;
        out.warningAt.line = warningLine;
        out.warningAt.offset = warningOffset;
    }
    return out;
}

} // namespace plotwright::dxf
