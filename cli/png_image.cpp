#include "cli/png_image.h"

#include "cli/failure.h"

#ifdef PLOTWRIGHT_PNG
#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#endif

namespace plotwright::cli {

#ifdef PLOTWRIGHT_PNG
namespace {

using PngOfSvg = int (*)(const char*, std::size_t, std::string*);

// The rasteriser module (png_raster.cpp), beside the program in the build tree and among
// the private libraries when installed; loaded once, at the first PNG picture.
PngOfSvg rasteriser(std::string& why)
{
    static std::string failure;
    static const PngOfSvg function = []() -> PngOfSvg {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            failure = "the program's own folder is unknown";
            return nullptr;
        }
        for (const char* relative : {PLOTWRIGHT_PNG_MODULE_NAME, PLOTWRIGHT_PNG_MODULE_INSTALLED}) {
            const std::filesystem::path file = (program.parent_path() / relative).lexically_normal();
            if (!std::filesystem::exists(file, error))
                continue;
            void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                const char* message = dlerror();
                failure = message ? message : file.string() + " could not be loaded";
                return nullptr;
            }
            return reinterpret_cast<PngOfSvg>(dlsym(handle, "plotwrightPngOfSvg"));
        }
        failure = std::string(PLOTWRIGHT_PNG_MODULE_NAME) + " was not found beside the program";
        return nullptr;
    }();
    why = failure;
    return function;
}

} // namespace

bool canWritePng() { return true; }

std::string pngOfSvg(const std::string& svg, const std::string& path)
{
    std::string why;
    const PngOfSvg function = rasteriser(why);
    if (!function)
        throw Failure(kExitFileError, path + ": PNG pictures cannot be made: " + why);
    std::string png;
    switch (function(svg.data(), svg.size(), &png)) {
    case 0: return png;
    case 1: throw Failure(kExitFileError, path + ": the picture could not be drawn");
    default: throw Failure(kExitFileError, path + ": the PNG picture could not be encoded");
    }
}
#else
bool canWritePng() { return false; }

std::string pngOfSvg(const std::string&, const std::string& path)
{
    throw Failure(kExitUsage, path + ": this build writes SVG pictures only");
}
#endif

} // namespace plotwright::cli
