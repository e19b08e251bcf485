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

// Merges `from` into the library file at `intoPath` (UTF-8 path as wide text; a missing
// file counts as an empty library) and replaces the file atomically. A file that cannot
// be read, or is not a well-formed library, is left unchanged: rewriting what was read
// of it would lose the rest. On failure returns false with the reason in `error`.
bool MergeIntoLibraryFile(const std::wstring& intoPath, const CEquationList& from, bool replace,
                          LibraryMergeResult& result, std::wstring& error);
