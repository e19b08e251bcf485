// Edits of a drawing read from a file must never lose or damage what the save keeps:
// the input is DXF text, then after its last NUL byte a script of edits (erase,
// restore, move, layers, draw and redraw curves in each output kind). See drawing_edits.h
// for what is checked; a broken promise aborts with its description.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "drawing_edits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const plotwright::fuzz::EditRun run =
        plotwright::fuzz::runEditInput(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!run.fault.empty()) {
        // Written whole: a name from the file may hold a NUL.
        std::fputs("drawing edits: ", stderr);
        std::fwrite(run.fault.data(), 1, run.fault.size(), stderr);
        std::fputc('\n', stderr);
        std::abort();
    }
    return 0;
}
