#include "model/code_page.h"

namespace plotwright::model {

unsigned char detail::toCodePageHigh(wchar_t c)
{
    for (unsigned i = 0; i < 32; ++i)
        if (kCodePageHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return '?';
}

} // namespace plotwright::model
