// sample and draw: the curve's points on standard output, or added to a drawing.
#include "cli/commands.h"

#include "cli/cli_backend.h"
#include "cli/curve_source.h"
#include "cli/failure.h"
#include "cli/files.h"
#include "cli/output.h"
#include "cli/png_image.h"
#include "cli/drawing_options.h"
#include "base/replace_file.h"
#include "db/svg_picture.h"
#include "draw/drawn_curves.h"
#include "draw/place_curve.h"
#include "dxf/file.h"
#include "draw/sample_curve.h"
#include "db/database.h"
#include "host/doc_manager.h"
#include "host/editor_command.h"
#include "base/number_text.h"
#include "base/utf8_text.h"

#include <charconv>
#include <unistd.h>

namespace plotwright::cli {

namespace {

using base::utf8FromWide;

// The tool has no dialog to hide: the bracket around the origin pick does nothing.
class HeadlessDialog : public host::EditorCommandBracket {
public:
    void BeginEditorCommand() override {}
    void CompleteEditorCommand(bool) override {}
};

CliBackend makeBackend(const Request& request, Streams io)
{
    return CliBackend(request.origin, io.err, ::isatty(::fileno(io.err)) == 1);
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

void writePoints(const CurvePoints& points, Format format, std::FILE* out)
{
    constexpr std::size_t kChunk = 1 << 16;
    std::string text;
    text.reserve(kChunk + 128);
    if (format == Format::Json)
        text += '[';
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CurvePoint& p = points[i];
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

// The exit status after sampling, whose failure the sampler has shown already; adds
// what was wrong in an expression, and where, on a line of its own.
int sampleStatus(curve::SampleStatus status, const std::wstring& message, int position, char expression,
                 const CEquation& equation, Streams io)
{
    switch (status) {
    case curve::SampleStatus::Done:
        return kExitOk;
    case curve::SampleStatus::InvalidParameters:
        // The message box said "Invalid parameter(s) provided!"; this says which value.
        if (!message.empty())
            emit(io.err, "plotwright: " + utf8FromWide(message) + "\n");
        return kExitInvalidParameters;
    case curve::SampleStatus::TooManySamples:
        return kExitInvalidParameters;
    case curve::SampleStatus::ErrorInEquation:
        break;
    }
    const int type = equation.GetType();
    if (type < ExplicitCartesian || type > ExplicitPolar) {
        emit(io.err, "plotwright: the curve's kind " + std::to_string(type)
                         + " is none of 1 (explicit), 2 (parametric), 3 (polar); nothing was produced\n");
        return kExitEquationError;
    }
    std::string where;
    if (expression != 0) {
        const bool x = expression == 'X';
        const std::wstring& text = x ? equation.GetEquationX() : equation.GetEquationY();
        const char* name = x ? "x" : type == ExplicitPolar ? "r" : "y";
        where = std::string(name) + " = " + utf8FromWide(text) + ": ";
    }
    std::string line = "plotwright: " + where + utf8FromWide(message);
    if (expression != 0 && position >= 0)
        line += " at character " + std::to_string(position + 1);
    emit(io.err, line + "\n");
    return kExitEquationError;
}

int runSample(const Request& request, Streams io)
{
    std::string warning;
    CEquationPtr curve = requestedCurve(request, &warning);
    warn(io, warning);

    CliBackend backend = makeBackend(request, io);
    host::ScopedBackend installed(backend);
    const ads_point origin = {request.origin[0], request.origin[1], request.origin[2]};
    curve::SampleOptions options;
    options.literalSteps = request.literalSteps;
    options.tolerance = request.tolerance;
    const curve::SampleResult result = sampleCurveShowing(*curve, origin, options);
    if (result.refinementCapped)
        emit(io.err, capNotice());
    writePoints(result.points, request.format, io.out);
    return sampleStatus(result.status, result.message, result.position, result.expression, *curve, io);
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
int writePreview(const std::string& path, PictureKind kind, AcDbDatabase& database, int status, Streams io)
{
    std::string bytes = db::svgPicture(database);
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
    CEquationPtr curve = requestedCurve(request, &warning);
    warn(io, warning);

    // A preview that cannot be written is found before the drawing changes, so that a
    // failed run can be repeated without drawing the curve twice.
    std::optional<PictureKind> preview;
    if (request.preview)
        preview = previewKind(*request.preview);

    AcApDocManager* documents = acDocManagerPtr();
    AcApDocument* document = nullptr;
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
        dxf::DxfResult opened = documents->openDocument(request.out, document, true);
        if (!opened.ok())
            throw Failure(kExitFileError, opened.message);
        if (!opened.notice.empty())
            emit(io.err, "plotwright: " + opened.notice + "\n");
    } else {
        document = documents->newDocument();
        applyNewDrawingOptions(*document->database(), request);
    }

    CliBackend backend = makeBackend(request, io);
    host::ScopedBackend installed(backend);
    HeadlessDialog dialog;
    DrawOutcome outcome;
    curve::CurveOptions options;
    options.literalSteps = request.literalSteps;
    options.tolerance = request.tolerance;
    options.output = request.output == Output::Arcs     ? curve::CurveOutput::Arcs
                     : request.output == Output::Spline ? curve::CurveOutput::Spline
                                                        : curve::CurveOutput::Polyline;
    DrawCurveFlow(dialog, *curve, outcome, options);
    if (request.verbose && outcome.tolerance > 0)
        emit(io.err, "plotwright: tolerance " + base::formatShortest(outcome.tolerance)
                         + (outcome.toleranceFromExtent ? " (1/1000 of the curve's extent; no --tolerance given)" : "")
                         + "\n");
    if (outcome.refinementCapped)
        emit(io.err, capNotice());
    const int status = sampleStatus(outcome.status, outcome.message, outcome.position, outcome.expression, *curve, io);

    const std::size_t finite = outcome.sampleCount - outcome.nonFiniteCount;
    if (finite > 0 && outcome.newIds.empty())
        throw Failure(kExitFileError, request.out + ": the drawing refused the curve; nothing was added");
    applyAppearance(*document->database(), outcome.newIds, request);

    // A drawing that gained nothing is left as it was, and a new one is not made.
    if (!outcome.newIds.empty()) {
        // A new file is created only if no other program created it meanwhile.
        const base::FileIdentity missing;
        base::ReplaceOptions replace;
        replace.expected = &missing;
        dxf::DxfResult saved = existed ? document->save() : dxf::saveDxf(*document->database(), request.out, replace);
        if (!saved.ok())
            throw Failure(kExitFileError, saved.message);
    }
    creating.release();

    std::string handles;
    for (const AcDbObjectId& id : outcome.newIds)
        handles += draw::handleText(id.handle()) + "\n";
    emit(io.out, handles);

    if (outcome.nonFiniteCount > 0) {
        emit(io.err, "plotwright: " + std::to_string(outcome.nonFiniteCount) + " of "
                         + std::to_string(outcome.sampleCount)
                         + " points are not finite and were left out; the curve was drawn as "
                         + std::to_string(outcome.newIds.size()) + " polyline(s)\n");
    } else if (outcome.sampleCount == 0 && status == kExitOk) {
        emit(io.err, "plotwright: the range holds no sample; nothing was drawn\n");
    }
    if (!existed && outcome.newIds.empty() && status == kExitOk)
        emit(io.err, "plotwright: " + request.out + " was not created\n");

    // A run that drew nothing must not pass for one that drew: scripts test the status.
    const int drawn = status == kExitOk && outcome.newIds.empty() ? kExitNothingDrawn : status;
    if (preview && (existed || !outcome.newIds.empty()))
        return writePreview(*request.preview, *preview, *document->database(), drawn, io);
    return drawn;
}

} // namespace plotwright::cli
