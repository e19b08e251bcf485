// sample and draw: the curve's points on standard output, or added to a drawing.
#include "cli/commands.h"

#include "cli/curve_source.h"
#include "cli/failure.h"
#include "cli/files.h"
#include "cli/output.h"
#include "cli/png_image.h"
#include "cli/drawing_options.h"
#include "cli/progress_bar.h"
#include "core/convert.h"
#include "core/drawing_access.h"
#include "plotwright/drawing.h"
#include "base/replace_file.h"
#include "base/number_text.h"
#include "base/utf8_text.h"

#include <unistd.h>

namespace plotwright::cli {

namespace {

using base::utf8FromWide;

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

// The drawing options the command line gives.
DrawingOptions drawingOptions(const Request& request)
{
    DrawingOptions options;
    options.literalSteps = request.literalSteps;
    options.tolerance = request.tolerance;
    options.output = request.output == Output::Arcs     ? OutputKind::arcs
                     : request.output == Output::Spline ? OutputKind::spline
                                                        : OutputKind::polyline;
    applyPlacement(options, request);
    return options;
}

std::string capNotice()
{
    return "plotwright: warning: the sample limit stopped refinement; parts of the curve may lie farther from "
           "it than the tolerance\n";
}

void warn(Streams io, const std::string& warning)
{
    if (!warning.empty())
        emit(io.err, "plotwright: warning: " + warning + "\n");
}

void writePoints(const std::vector<Point>& points, Format format, std::FILE* out)
{
    constexpr std::size_t kChunk = 1 << 16;
    std::string text;
    text.reserve(kChunk + 128);
    if (format == Format::Json)
        text += '[';
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        if (format == Format::Csv) {
            appendCsvPoint(text, p.x, p.y, p.z);
        } else {
            text += i ? ",\n" : "\n";
            appendJsonPoint(text, p.x, p.y, p.z);
        }
        if (text.size() >= kChunk) {
            emit(out, text);
            text.clear();
        }
    }
    if (format == Format::Json)
        text += points.empty() ? "]\n" : "\n]\n";
    emit(out, text);
}

} // namespace

constexpr const wchar_t* kInvalidParameters = L"Invalid parameter(s) provided!";

void showSampleFailure(const Result& result, const CurveDefinition& curve, ProgressBar& bar)
{
    switch (result.status) {
    case Status::invalidParameters:
        bar.print(kInvalidParameters);
        break;
    case Status::tooManySamples:
        bar.print(result.message);
        break;
    case Status::errorInEquation:
        // A curve of an unknown kind is silently not drawn.
        if (curve.kind == CurveKind::explicitCartesian || curve.kind == CurveKind::parametric ||
            curve.kind == CurveKind::polar || curve.kind == CurveKind::space || curve.kind == CurveKind::implicit)
            bar.print(L"Error in equation");
        break;
    default:
        break;
    }
}

// The exit status after sampling, whose failure was shown already; adds what was wrong
// in an expression, and where, on a line of its own.
int sampleStatus(const Result& result, const CurveDefinition& curve, Streams io)
{
    switch (result.status) {
    case Status::ok:
        return kExitOk;
    case Status::errorInEquation:
        break;
    case Status::invalidParameters:
        // The message box said "Invalid parameter(s) provided!"; this says which value.
        if (result.message != kInvalidParameters)
            emit(io.err, "plotwright: " + utf8FromWide(result.message) + "\n");
        return kExitInvalidParameters;
    default:
        return kExitInvalidParameters;
    }
    const int type = static_cast<int>(curve.kind);
    if (type < ExplicitCartesian || type > ImplicitCurve) {
        emit(io.err, "plotwright: the curve's kind " + std::to_string(type)
                         + " is none of 1 (explicit), 2 (parametric), 3 (polar), 4 (space), 5 (implicit); nothing was"
                           " produced\n");
        return kExitEquationError;
    }
    const char expression = result.where.expression;
    std::string where;
    if (expression != 0) {
        const bool x = expression == 'X';
        const bool z = expression == 'Z';
        const std::wstring& text = x ? curve.expressionX : z ? curve.expressionZ : curve.expressionY;
        const char* name = x ? "x" : z ? "z" : type == ExplicitPolar ? "r" : type == ImplicitCurve ? "F" : "y";
        where = std::string(name) + " = " + utf8FromWide(text) + ": ";
    }
    std::string line = "plotwright: " + where + utf8FromWide(result.message);
    if (expression != 0 && result.where.character >= 0)
        line += " at character " + std::to_string(result.where.character + 1);
    emit(io.err, line + "\n");
    return kExitEquationError;
}

int runSample(const Request& request, Streams io)
{
    std::string warning;
    const CEquationPtr equation = requestedCurve(request, &warning);
    warn(io, warning);
    const CurveDefinition curve = core::definitionOf(*equation, drawingOptions(request));

    ProgressBar bar(io.err, isTerminal(io.err));
    const Samples sampled = sample(curve, {{request.origin[0], request.origin[1], request.origin[2]}, &bar});
    showSampleFailure(sampled.result, curve, bar);
    if (sampled.refinementCapped)
        emit(io.err, capNotice());
    writePoints(sampled.points, request.format, io.out);
    return sampleStatus(sampled.result, curve, io);
}

namespace {

// The preview's kind by its name, refused before anything is drawn.
PictureKind previewKind(const std::string& path)
{
    const std::optional<PictureKind> kind = pictureKindOf(path);
    if (!kind)
        throw Failure(kExitUsage, "--preview: the picture's name must end in .svg or .png: " + path);
    if (*kind == PictureKind::Png && !canWritePng())
        throw Failure(kExitUsage, "--preview: " + path + ": this build writes SVG pictures only");
    if (const base::FileResult usable = base::checkReplaceable(path); !usable.ok())
        throw fileFailure(path, usable.reason);
    return *kind;
}

// Writes the preview of the saved drawing; status 4 when it cannot be written.
int writePreview(const std::string& path, PictureKind kind, std::string bytes, int status, Streams io)
{
    base::FileResult written;
    try {
        if (kind == PictureKind::Png)
            bytes = pngOfSvg(bytes, path);
        written = base::replaceFile(path, bytes);
    } catch (const Failure& f) {
        written = {base::FileError::system, 0, f.what()};
    }
    if (!written.ok()) {
        emit(io.err, "plotwright: the drawing was saved, but the preview was not: " + written.message(path) + "\n");
        return kExitPreviewFailed;
    }
    return status;
}

} // namespace

int runDraw(const Request& request, Streams io)
{
    std::string warning;
    const CEquationPtr equation = requestedCurve(request, &warning);
    warn(io, warning);
    const CurveDefinition curve = core::definitionOf(*equation, drawingOptions(request));

    // A preview that cannot be written is found before the drawing changes, so that a
    // failed run can be repeated without drawing the curve twice.
    std::optional<PictureKind> preview;
    if (request.preview)
        preview = previewKind(*request.preview);

    Drawing drawing;
    bool existed = fileExists(request.out);
    // Draws into one new drawing take turns at creating it: the first creates it, the
    // others find it there and add to it, as into any existing drawing.
    base::FileLock creating;
    if (!existed) {
        creating = base::lockFolderOf(request.out);
        existed = fileExists(request.out);
        if (existed)
            creating.release();
    }
    if (existed && request.units)
        warn(io, request.out + " exists and keeps its units; --units applies to new drawings");
    if (existed) {
        // Held until the save: another run drawing into the same file waits, then reads
        // what this one wrote.
        const Result opened = drawing.open(request.out);
        if (!opened.ok())
            throw Failure(kExitFileError, utf8FromWide(opened.message));
        if (!opened.notice.empty())
            emit(io.err, "plotwright: " + utf8FromWide(opened.notice) + "\n");
    } else {
        applyNewDrawingOptions(DrawingAccess::database(drawing), request);
    }

    Shape shaped;
    {
        ProgressBar bar(io.err, isTerminal(io.err));
        shaped = shape(curve, {{request.origin[0], request.origin[1], request.origin[2]}, &bar});
        showSampleFailure(shaped.result, curve, bar);
    }
    // The pieces go into the drawing; the shape keeps its counts for the messages below.
    const Placed placed = drawing.add(curve, std::move(shaped));
    if (request.verbose && shaped.tolerance > 0)
        emit(io.err, "plotwright: tolerance " + base::formatShortest(shaped.tolerance)
                         + (shaped.toleranceFromExtent ? " (1/1000 of the curve's extent; no --tolerance given)" : "")
                         + "\n");
    if (shaped.refinementCapped)
        emit(io.err, capNotice());
    const int status = sampleStatus(shaped.result, curve, io);

    if (!shaped.pieces.empty() && placed.handles.empty())
        throw Failure(kExitFileError, request.out + ": the drawing refused the curve; nothing was added");
    applyAppearance(DrawingAccess::database(drawing), DrawingAccess::ids(drawing, placed.handles), request);

    // A drawing that gained nothing is left as it was, and a new one is not made.
    if (!placed.handles.empty()) {
        // A new file is created only if no other program created it meanwhile.
        const Result saved = existed ? drawing.save() : drawing.saveAs(request.out, {.onlyIfAbsent = true});
        if (!saved.ok())
            throw Failure(kExitFileError, utf8FromWide(saved.message));
        if (!saved.notice.empty())
            emit(io.err, "plotwright: " + utf8FromWide(saved.notice) + "\n");
    }
    creating.release();

    std::string handles;
    for (const std::string& handle : placed.handles)
        handles += handle + "\n";
    emit(io.out, handles);

    if (shaped.nonFiniteCount > 0) {
        emit(io.err, "plotwright: " + std::to_string(shaped.nonFiniteCount) + " of "
                         + std::to_string(shaped.sampleCount)
                         + " points are not finite and were left out; the curve was drawn as "
                         + std::to_string(placed.handles.size()) + " polyline(s)\n");
    } else if (shaped.sampleCount == 0 && status == kExitOk) {
        emit(io.err, "plotwright: the range holds no sample; nothing was drawn\n");
    }
    if (!existed && placed.handles.empty() && status == kExitOk)
        emit(io.err, "plotwright: " + request.out + " was not created\n");

    // A run that drew nothing must not pass for one that drew: scripts test the status.
    const int drawn = status == kExitOk && placed.handles.empty() ? kExitNothingDrawn : status;
    if (preview && (existed || !placed.handles.empty()))
        return writePreview(*request.preview, *preview, drawing.svgPicture(), drawn, io);
    return drawn;
}

} // namespace plotwright::cli
