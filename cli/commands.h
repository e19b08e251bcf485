#pragma once
// The commands of the `plotwright` tool. Each writes its result to `out`, its messages
// to `err`, and returns the exit status; failures arrive as Failure.

#include "cli/arguments.h"
#include "plotwright/curve.h"
#include "plotwright/result.h"

#include <cstdio>

namespace plotwright::cli {

struct Streams {
    std::FILE* out;
    std::FILE* err;
};

int runCommand(const Request& request, Streams io);

int runCurves(const Request& request, Streams io);
int runShow(const Request& request, Streams io);
int runLibraryConvert(const Request& request, Streams io);
int runLibraryCheck(const Request& request, Streams io);
int runLibraryMerge(const Request& request, Streams io);
int runSample(const Request& request, Streams io);
int runDraw(const Request& request, Streams io);
int runRender(const Request& request, Streams io);
int runList(const Request& request, Streams io);
int runRedraw(const Request& request, Streams io);

class ProgressBar;

// Shows why sampling failed, with the texts the editor shows ("Invalid parameter(s)
// provided!", "Error in equation"; nothing for a curve of an unknown kind).
void showSampleFailure(const Result& result, const CurveDefinition& curve, ProgressBar& bar);

// The exit status after sampling, whose failure was shown already; adds what was wrong
// in an expression, and where, on a line of its own.
int sampleStatus(const Result& result, const CurveDefinition& curve, Streams io);

// Writes `text` to `stream`; a failed write (full disk, closed pipe) is a Failure.
void emit(std::FILE* stream, const std::string& text);

} // namespace plotwright::cli
