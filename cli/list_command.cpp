// list: the drawn curves a drawing holds, with their definitions.
#include "cli/commands.h"

#include "cli/failure.h"
#include "core/curve_listing.h"
#include "plotwright/drawing.h"
#include "base/utf8_text.h"

namespace plotwright::cli {

using base::utf8FromWide;

int runList(const Request& request, Streams io)
{
    Drawing drawing;
    const Result read = drawing.open(request.in, {.forUpdate = false});
    if (!read.ok())
        throw Failure(kExitFileError, utf8FromWide(read.message));
    if (!read.notice.empty())
        emit(io.err, "plotwright: " + utf8FromWide(read.notice) + "\n");
    const std::vector<DrawnCurve> curves = drawing.curves();
    emit(io.out, request.format == Format::Json ? core::curvesJson(curves) : core::curvesText(curves));
    return kExitOk;
}

} // namespace plotwright::cli
