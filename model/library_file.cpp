#include "model/library_file.h"

#include "model/utf8.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using plotwright::model::Utf8ToWide;
using plotwright::model::WideToUtf8;

namespace {

bool fail(int code, std::wstring& text, std::wstring* error)
{
    text.clear();
    if (error)
        *error = Utf8ToWide(std::generic_category().message(code));
    return false;
}

} // namespace

bool ReadLibraryFile(const std::wstring& path, std::wstring& text, std::wstring* error)
{
    const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(errno, text, error);
    std::string bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            ::close(fd);
            return fail(code, text, error);
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    std::string_view view(bytes);
    if (view.starts_with("\xEF\xBB\xBF"))
        view.remove_prefix(3);
    text = Utf8ToWide(view);
    if (error)
        error->clear();
    return true;
}
