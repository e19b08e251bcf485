#include "dxf/output.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace plotwright::dxf::detail {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

std::string formatReal(double value)
{
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? end : text);
}

DxfOutput::DxfOutput(int fd, std::string newline) : fd_(fd), newline_(std::move(newline))
{
    if (fd_ >= 0)
        buffer_.reserve(kBufferSize + 4096);
}

void DxfOutput::reserveFlush()
{
    if (fd_ >= 0 && buffer_.size() >= kBufferSize)
        flush();
}

void DxfOutput::code(int code)
{
    // Group codes right-aligned in three columns, as CAD programs write them.
    char text[16];
    auto [end, ec] = std::to_chars(text, text + sizeof text, code);
    const std::size_t length = static_cast<std::size_t>(end - text);
    if (length < 3)
        buffer_.append(3 - length, ' ');
    buffer_.append(text, length);
    buffer_ += newline_;
}

void DxfOutput::value(std::string_view text)
{
    buffer_ += text;
    buffer_ += newline_;
    reserveFlush();
}

void DxfOutput::pair(int c, std::string_view v)
{
    code(c);
    value(v);
}

void DxfOutput::real(int c, double v)
{
    code(c);
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    value(std::string_view(text, static_cast<std::size_t>(end - text)));
}

void DxfOutput::integer(int c, long long v)
{
    code(c);
    char text[24];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    value(std::string_view(text, static_cast<std::size_t>(end - text)));
}

std::string formatHandle(std::uint64_t handle)
{
    char text[24];
    auto [end, ec] = std::to_chars(text, text + sizeof text, handle, 16);
    for (char* p = text; p != end; ++p) {
        if (*p >= 'a' && *p <= 'f')
            *p = static_cast<char>(*p - 'a' + 'A');
    }
    return std::string(text, end);
}

void DxfOutput::handle(int c, std::uint64_t v)
{
    code(c);
    value(formatHandle(v));
}

void DxfOutput::raw(std::string_view text)
{
    if (fd_ >= 0 && buffer_.size() + text.size() > kBufferSize) {
        if (!flush())
            return;
        // Large stretches of the original go straight to the file.
        while (!text.empty() && error_ == 0) {
            const ssize_t written = ::write(fd_, text.data(), text.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                error_ = errno;
                return;
            }
            text.remove_prefix(static_cast<std::size_t>(written));
        }
        return;
    }
    buffer_ += text;
}

bool DxfOutput::flush()
{
    if (fd_ < 0)
        return true;
    std::string_view pending = buffer_;
    while (!pending.empty() && error_ == 0) {
        const ssize_t written = ::write(fd_, pending.data(), pending.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            break;
        }
        pending.remove_prefix(static_cast<std::size_t>(written));
    }
    buffer_.clear();
    return error_ == 0;
}

} // namespace plotwright::dxf::detail
