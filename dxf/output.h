#pragma once
// Internal: buffered output of DXF pairs to a file descriptor. Numbers are written in
// the shortest form that reads back as the same double, whatever the locale.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace plotwright::dxf::detail {

class DxfOutput {
public:
    DxfOutput(int fd, std::string newline);
    // Collects the text in memory instead (for records a save patches into a file).
    explicit DxfOutput(std::string newline) : DxfOutput(-1, std::move(newline)) {}

    // The text collected in memory so far, emptying the buffer (memory output only).
    std::string take() { return std::exchange(buffer_, std::string()); }

    void pair(int code, std::string_view value);
    // Finite values only; the writer checks before it starts.
    void real(int code, double value);
    void integer(int code, long long value);
    void handle(int code, std::uint64_t value);
    // Original file text, copied as it is.
    void raw(std::string_view text);

    // Writes what is buffered; false (and error() set) when a write failed.
    bool flush();
    int error() const { return error_; }

private:
    void code(int code);
    void value(std::string_view text);
    void reserveFlush();

    int fd_;
    std::string newline_;
    std::string buffer_;
    int error_ = 0;
};

// A handle in upper-case hexadecimal, as CAD programs write it.
std::string formatHandle(std::uint64_t handle);

// The shortest text that reads back as exactly `value` ("-0", "1e-20", "0.30000000000000004").
std::string formatReal(double value);

} // namespace plotwright::dxf::detail
