#pragma once
// The commands of the `plotwright` tool. Each writes its result to `out`, its messages
// to `err`, and returns the exit status; failures arrive as Failure.

#include "cli/arguments.h"
#include "curve/curve_sampler.h"
#include "model/equation.h"

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

// The exit status after sampling, whose failure the sampler has shown already; adds
// what was wrong in an expression, and where, on a line of its own.
int sampleStatus(curve::SampleStatus status, const std::wstring& message, int position, char expression,
                 const CEquation& equation, Streams io);

// Writes `text` to `stream`; a failed write (full disk, closed pipe) is a Failure.
void emit(std::FILE* stream, const std::string& text);

} // namespace plotwright::cli
