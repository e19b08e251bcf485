#pragma once
// An ordered library of curve definitions with a version text: the predefined and
// the user curves of the dialog, and the contents of a library file.

#include "model/equation.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CEquationList {
public:
    using Equations = std::vector<CEquationPtr>;

    CEquationList() = default;
    virtual ~CEquationList() = default;

    std::wstring GetVersion() const { return version_; }
    void SetVersion(const std::wstring& version) { version_ = version; }

    const Equations& GetEquations() const { return equations_; }
    // Appends; the name index keeps the first equation added under a name.
    void AddEquation(const CEquationPtr& equation);
    // Removes the first element of the sequence that refers to `equation`; the name
    // index is left as it is. Returns whether one was found.
    bool RemoveEquation(const CEquation* equation);
    // The equation indexed under `name`, or an empty handle.
    CEquationPtr FindEquation(const std::wstring& name) const;

    // Clears every `selected` mark, then marks `equation` (a member or not).
    void SetSelected(CEquation& equation);
    // The first marked equation in sequence order, or an empty handle.
    CEquationPtr GetSelected() const;
    // Empties sequence and index; the version stays.
    void Clear();

    // The library document, a single line of ASCII text.
    std::wstring ToXml() const;
    // Writes the document as UTF-8, replacing `path` atomically: on failure the previous
    // file is untouched and false is returned, with the system's reason in `resultText`.
    bool SaveToFile(const std::wstring& path, std::wstring* resultText = nullptr) const;
    // Replaces the contents with the equations of `text`, read as far as the markup
    // parser indexed it. Returns 1 when the document has an EquationList element, else 0.
    int LoadFromXml(const std::wstring& text);

private:
    std::wstring version_;
    Equations equations_;
    std::map<std::wstring, CEquationPtr> index_;
};

using CEquationListPtr = std::shared_ptr<CEquationList>;
