// plotwright render: a picture of a whole drawing, drawn by the same entity services
// as the editor's view.
#include "cli/commands.h"
#include "cli/failure.h"
#include "cli/files.h"
#include "cli/png_image.h"

#include "base/replace_file.h"
#include "db/database.h"
#include "render/svg_picture.h"
#include "dxf/file.h"

#include <cstdio>
#include <memory>

namespace plotwright::cli {


int runRender(const Request& request, Streams io)
{
    const std::optional<PictureKind> kind = pictureKindOf(request.out);
    const bool png = kind == PictureKind::Png;
    if (!kind)
        throw Failure(kExitUsage, "the picture's name must end in .svg or .png: " + request.out);
    std::unique_ptr<AcDbDatabase> database;
    const dxf::DxfResult read = dxf::readDxf(request.in, database);
    if (!read.ok())
        throw Failure(kExitFileError, read.message);
    if (!read.warning.empty())
        std::fputs(("plotwright: warning: " + read.warning + "\n").c_str(), io.err);
    db::SvgOptions options;
    if (request.size) {
        options.width = (*request.size)[0];
        options.height = (*request.size)[1];
    }
    const std::string svg = db::svgPicture(*database, options);
    const base::FileResult written = base::replaceFile(request.out, png ? pngOfSvg(svg, request.out) : svg);
    if (!written.ok())
        throw Failure(kExitFileError, written.message(request.out));
    return kExitOk;
}

} // namespace plotwright::cli
