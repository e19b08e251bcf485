#pragma once
// Adding the curves of one library to another, as `plotwright library merge` and the
// editor's curve import do.

#include <string>
#include <vector>

class CEquationList;

struct LibraryMergeResult {
    struct Renamed {
        std::wstring from;  // the name in the source library
        std::wstring to;    // the name it was added under
    };
    std::size_t added = 0;     // curves appended, renamed ones included
    std::size_t replaced = 0;  // curves that took the place of one of the same name
    std::vector<Renamed> renamed;
};

// Appends independent copies of `from`'s curves to `into`, without their selection
// marks. A curve whose name `into` already holds is added as "NAME (2)", or the first of
// "NAME (3)", "NAME (4)", ... that is free; with `replace` it takes the place (and
// position) of the first curve of that name instead. `into` keeps its version.
LibraryMergeResult MergeLibrary(CEquationList& into, const CEquationList& from, bool replace);
