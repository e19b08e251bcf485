// curves, show, library convert, library check, library merge.
#include "cli/commands.h"

#include "cli/curve_source.h"
#include "cli/failure.h"
#include "cli/files.h"
#include "cli/output.h"
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"
#include "model/library_merge.h"

namespace plotwright::cli {

using base::utf8FromWide;
using base::wideFromUtf8;

namespace {

void warn(Streams io, const std::string& warning)
{
    if (!warning.empty())
        emit(io.err, "plotwright: warning: " + warning + "\n");
}

} // namespace

int runCurves(const Request& request, Streams io)
{
    std::string warning;
    CEquationListPtr library = loadLibrary(request.library, &warning);
    warn(io, warning);
    std::string text;
    for (const CEquationPtr& equation : library->GetEquations())
        text += utf8FromWide(equation->GetName()) + "\n";
    emit(io.out, text);
    return kExitOk;
}

int runShow(const Request& request, Streams io)
{
    std::string warning;
    CEquationListPtr library = loadLibrary(request.library, &warning);
    warn(io, warning);
    emit(io.out, describeCurve(*findCurve(*library, request.name, request.library)));
    return kExitOk;
}

int runLibraryConvert(const Request& request, Streams io)
{
    std::string warning;
    CEquationListPtr library = loadLibrary(request.in, &warning);
    warn(io, warning);
    std::wstring reason;
    if (!library->SaveToFile(wideFromUtf8(request.out), &reason))
        throw fileFailure(request.out, utf8FromWide(reason));
    return kExitOk;
}

int runLibraryCheck(const Request& request, Streams io)
{
    // The check is of the markup alone: a well-formed file of another kind passes.
    CEquationList library;
    const Result loaded =
        model::loadLibrary(readFile(libraryPath(request.in)), library, {}, base::Utf8Replacement::perSequence);
    const bool wellFormed = loaded.notice.empty();
    emit(io.out, (wellFormed ? std::string("well-formed") : utf8FromWide(loaded.notice)) + "\n");
    return wellFormed ? kExitOk : kExitInvalidParameters;
}

int runLibraryMerge(const Request& request, Streams io)
{
    std::string warning;
    CEquationListPtr from = loadLibrary(request.in, &warning);
    warn(io, warning);
    LibraryMergeResult result;
    std::wstring reason;
    if (!MergeIntoLibraryFile(wideFromUtf8(request.out), *from, request.replace, result, reason))
        throw fileFailure(request.out, utf8FromWide(reason));

    std::string text;
    for (const LibraryMergeResult::Renamed& renamed : result.renamed)
        text += "added \"" + utf8FromWide(renamed.from) + "\" as \"" + utf8FromWide(renamed.to) + "\"\n";
    text += request.out + ": " + std::to_string(result.added) + " added (" + std::to_string(result.renamed.size()) +
            " renamed), " + std::to_string(result.replaced) + " replaced\n";
    emit(io.out, text);
    return kExitOk;
}

} // namespace plotwright::cli
