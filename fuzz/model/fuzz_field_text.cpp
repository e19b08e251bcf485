// Text field coding on arbitrary input: the decoder never fails and its fast path
// agrees with the full rules; text of the code page survives encoding and decoding.
#include "base/utf8_text.h"
#include "markup/xml_document.h"
#include "model/code_page.h"
#include "model/field_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As wide text from UTF-8: any character, including ones the code page lacks.
    const std::wstring text =
        plotwright::base::wideFromUtf8(std::string_view(reinterpret_cast<const char*>(data), size),
                                         plotwright::base::Utf8Replacement::perMaximalPart);
    check(DecodeFieldText(text) == HexUnquote(UnescapeText(text)));
    const std::wstring encoded = EncodeFieldText(text);
    for (wchar_t c : encoded)
        check(static_cast<unsigned long>(c) < 0x80 && c != L'<' && c != L'>' && c != L'"' && c != L'\'');
    check(encoded == HexQuote(EscapeText(text)));

    // As code-page text: every byte one character, all representable.
    std::wstring representable;
    for (std::size_t i = 0; i < size; ++i)
        representable += plotwright::model::FromCodePage(data[i]);
    check(HexUnquote(HexQuote(representable)) == representable);
    if (UnescapeText(representable) == representable) {
        // The parser decodes references once before the field decoder sees the value.
        const std::wstring stored = EncodeFieldText(representable);
        check(DecodeFieldText(UnescapeText(stored)) == representable);
    }
    return 0;
}
