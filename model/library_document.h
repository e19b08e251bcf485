#pragma once
// The reader of a parsed library document, shared by LoadFromXml and the file loader so
// that each parses the markup once.

class CEquationList;
class CXmlDocument;

// Replaces the contents of `list` (version and curves) with those of the EquationList
// element of `document`, read as far as the parser indexed it. False, and `list` left
// empty, when there is no such element.
bool ReadLibraryDocument(CXmlDocument& document, CEquationList& list);
