#pragma once
// Internal: the raw pair scanner under the DXF reader. An ASCII DXF file is a sequence
// of group code/value line pairs; the scanner hands them out with their byte offsets so
// that a writer can copy the original text around what it adds.

#include <cstddef>
#include <string_view>

namespace plotwright::dxf::detail {

struct DxfPair {
    int code = 0;
    std::string_view value;      // the value line without its line ending
    std::size_t offset = 0;      // where the code line starts
    std::size_t end = 0;         // just past the value line's line ending
    std::size_t valueOffset = 0; // where the value line starts
    std::size_t line = 0;        // 1-based line number of the code line
};

class DxfPairScanner {
public:
    enum class Step { pair, end, badCode, missingValue };

    DxfPairScanner(std::string_view text, std::size_t start) : text_(text), pos_(start) {}

    // The next pair. `badCode`: the code line is not an integer (pair.value holds that line,
    // pair.line its number); `missingValue`: the text ends after a code line.
    Step next(DxfPair& pair);
    std::size_t position() const { return pos_; }

private:
    // The line starting at pos_ without its ending; advances pos_ past the ending.
    std::string_view takeLine();

    std::string_view text_;
    std::size_t pos_;
    std::size_t line_ = 1;
};

// Trims spaces, tabs and carriage returns at both ends; DXF writers pad group codes
// and some pad numbers.
std::string_view trimmed(std::string_view text);

// Locale-independent number parsing of a whole (trimmed) value; false when it is not one.
bool parseDouble(std::string_view text, double& value);
bool parseInt(std::string_view text, long long& value);
// A hexadecimal handle of 1 to 16 digits.
bool parseHandle(std::string_view text, unsigned long long& value);

} // namespace plotwright::dxf::detail
