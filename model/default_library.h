#pragma once
// The library of four predefined curves built into the program (cycloids and their
// kin), in the library file layout without a version; read it with LoadFromXml.

#include <string>

const std::wstring& DefaultLibraryText();
