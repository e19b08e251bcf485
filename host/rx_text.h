#pragma once
// UTF-8 <-> wide text for the runtime's edges: file system paths and system messages.

#include <string>
#include <string_view>

namespace plotwright::host {

// Invalid UTF-8 sequences become U+FFFD, one per offending byte.
std::wstring fromUtf8(std::string_view text);
// Characters that are not valid code points (surrogates, beyond U+10FFFF) become U+FFFD.
std::string toUtf8(std::wstring_view text);

} // namespace plotwright::host
