// The gallery of classic curves, found relative to this library wherever its prefix is
// (the programs find it relative to themselves; a program built against the installed
// core lives anywhere).
#include "plotwright/curve.h"

#include "model/gallery_file.h"

#include <cstdlib>
#include <dlfcn.h>
#include <system_error>

namespace plotwright {

std::filesystem::path galleryPath()
{
    if (const char* moved = std::getenv("PLOTWRIGHT_GALLERY"); moved && *moved)
        return moved;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&galleryPath), &info) && info.dli_fname) {
        std::error_code error;
        const std::filesystem::path library = std::filesystem::canonical(info.dli_fname, error);
        if (!error) {
            const std::filesystem::path beside = (library.parent_path() / PLOTWRIGHT_GALLERY_FROM_CORE).lexically_normal();
            if (std::filesystem::exists(beside, error))
                return beside;
        }
    }
    // In the build tree the gallery lies where the programs find it.
    return GalleryFilePath();
}

Library galleryLibrary() { return readLibrary(galleryPath()); }

} // namespace plotwright
