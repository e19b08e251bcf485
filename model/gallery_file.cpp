#include "model/gallery_file.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string GalleryFilePath()
{
    if (const char* moved = std::getenv("PLOTWRIGHT_GALLERY"); moved && *moved)
        return moved;
    // The link names the program actually running, wherever the prefix it was installed to.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    return (program.parent_path() / PLOTWRIGHT_GALLERY_FROM_PROGRAM).lexically_normal().string();
}
