#pragma once
// Where the gallery of classic curves is installed: the library file the word "gallery"
// names on the command line and in the editor's import.

#include <string>

// The gallery's path (UTF-8) relative to the running program's folder, installed or in
// the build tree: <program folder>/../share/plotwright/gallery.xml by default. Empty when
// the program's own path cannot be read. PLOTWRIGHT_GALLERY, when set, names another
// file instead. Whether the file exists is the caller's check.
std::string GalleryFilePath();
