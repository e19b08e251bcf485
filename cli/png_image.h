#pragma once
// PNG pictures for the command-line tool, rasterised from its SVG pictures.

#include <string>

namespace plotwright::cli {

// The PNG bytes of the SVG document `svg`, at the size the document gives. Failure
// (naming `path`) when this build has no PNG support or the picture cannot be made.
// Whether this build writes PNG pictures (it does where the Qt GUI modules are built).
bool canWritePng();

std::string pngOfSvg(const std::string& svg, const std::string& path);

} // namespace plotwright::cli
