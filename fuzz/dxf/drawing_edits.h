#pragma once
// Edits chosen by a byte script applied to a drawing read from DXF text, saved to memory
// and read back, with the promises of a save over a kept file checked: every record not
// erased is there with its bytes unchanged apart from patched point values, erased ones
// are gone with the objects they own, handles are unique and below $HANDSEED, and the
// drawing reads back with the counts it had. Shared by the fuzz target and a test that
// gives a sample of the outputs to an independent reader.

#include <string>
#include <string_view>

namespace plotwright::fuzz {

struct EditRun {
    bool readable = false;  // the input was a drawing the reader accepts
    bool saved = false;     // the edited drawing could be written (not a refused version)
    std::string text;       // what was saved
    std::string fault;      // the first promise broken; empty when all held
    int edits = 0;          // edits that changed the drawing
};

// Reads `drawing`, applies the edits `script` names (one byte the kind, the following
// bytes its arguments; a script that runs out ends the edits) and checks the save.
EditRun runEdits(std::string_view drawing, std::string_view script);

// Splits a fuzzer input: the drawing, then after the last NUL byte the script (empty
// when there is no NUL).
EditRun runEditInput(std::string_view input);

} // namespace plotwright::fuzz
