// sample and draw: the curve's points on standard output, or added to a drawing.
#include "cli/commands.h"

#include "cli/cli_backend.h"
#include "cli/curve_source.h"
#include "cli/failure.h"
#include "cli/files.h"
#include "cli/output.h"
#include "db/svg_picture.h"
#include "draw/place_curve.h"
#include "draw/sample_curve.h"
#include "db/database.h"
#include "host/doc_manager.h"
#include "host/editor_command.h"

#include <charconv>
#include <unistd.h>

namespace plotwright::cli {

namespace {

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

// The status after sampling: the sampler has shown its own message for 1 and 2.
int sampleStatus(const CliBackend& backend, const CEquation& equation, Streams io)
{
    if (backend.messageBoxCount() > 0)
        return kExitInvalidParameters;
    if (backend.alertCount() > 0)
        return kExitEquationError;
    const int type = equation.GetType();
    if (type < ExplicitCartesian || type > ExplicitPolar) {
        emit(io.err, "plotwright: the curve's kind " + std::to_string(type)
                         + " is none of 1 (explicit), 2 (parametric), 3 (polar); nothing was produced\n");
        return kExitEquationError;
    }
    return kExitOk;
}

void warn(Streams io, const std::string& warning)
{
    if (!warning.empty())
        emit(io.err, "plotwright: warning: " + warning + "\n");
}

std::string handleText(AcDbHandle handle)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, handle, 16);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
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

int runSample(const Request& request, Streams io)
{
    std::string warning;
    CEquationPtr curve = requestedCurve(request, &warning);
    warn(io, warning);

    CliBackend backend = makeBackend(request, io);
    host::ScopedBackend installed(backend);
    const ads_point origin = {request.origin[0], request.origin[1], request.origin[2]};
    const CurvePoints points = SampleCurve(*curve, origin);
    writePoints(points, request.format, io.out);
    return sampleStatus(backend, *curve, io);
}

int runDraw(const Request& request, Streams io)
{
    std::string warning;
    CEquationPtr curve = requestedCurve(request, &warning);
    warn(io, warning);

    AcApDocManager* documents = acDocManagerPtr();
    AcApDocument* document = nullptr;
    const bool existed = fileExists(request.out);
    if (existed) {
        dxf::DxfResult opened = documents->openDocument(request.out, document);
        if (!opened.ok())
            throw Failure(kExitFileError, opened.message);
    } else {
        document = documents->newDocument();
    }

    CliBackend backend = makeBackend(request, io);
    host::ScopedBackend installed(backend);
    HeadlessDialog dialog;
    DrawOutcome outcome;
    DrawCurveFlow(dialog, *curve, outcome);
    const int status = sampleStatus(backend, *curve, io);

    const std::size_t finite = outcome.sampleCount - outcome.nonFiniteCount;
    if (finite > 0 && outcome.newIds.empty())
        throw Failure(kExitFileError, request.out + ": the drawing refused the curve; nothing was added");

    // A drawing that existed and gained nothing is left as it was.
    if (!outcome.newIds.empty() || !existed) {
        dxf::DxfResult saved = document->saveAs(request.out);
        if (!saved.ok())
            throw Failure(kExitFileError, saved.message);
    }

    std::string handles;
    for (const AcDbObjectId& id : outcome.newIds)
        handles += handleText(id.handle()) + "\n";
    emit(io.out, handles);

    if (outcome.nonFiniteCount > 0) {
        emit(io.err, "plotwright: " + std::to_string(outcome.nonFiniteCount) + " of "
                         + std::to_string(outcome.sampleCount)
                         + " points are not finite and were left out; the curve was drawn as "
                         + std::to_string(outcome.newIds.size()) + " polyline(s)\n");
    } else if (outcome.sampleCount == 0 && status == kExitOk) {
        emit(io.err, "plotwright: the range holds no sample; nothing was drawn\n");
    }

    if (request.preview)
        writeFileAtomically(*request.preview, db::svgPicture(*document->database()));
    return status;
}

} // namespace plotwright::cli
