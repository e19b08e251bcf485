#pragma once
// Searching wide text for a few stop characters, four characters per step where SSE2
// is available. The scanner spends most of its time here, inside start tags.

#include <climits>
#include <cwchar>

#if defined(__SSE2__) && WCHAR_MAX > 0xFFFF
#include <emmintrin.h>
#define PLOTWRIGHT_WIDE_SEARCH_SSE2 1
#endif

namespace plotwright::markup {

// The first of `a`, `b` and `c` in [p, end), or `end`.
inline const wchar_t* findFirstOf(const wchar_t* p, const wchar_t* end, wchar_t a, wchar_t b, wchar_t c)
{
#ifdef PLOTWRIGHT_WIDE_SEARCH_SSE2
    const __m128i va = _mm_set1_epi32(a);
    const __m128i vb = _mm_set1_epi32(b);
    const __m128i vc = _mm_set1_epi32(c);
    for (; end - p >= 4; p += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi32(v, va), _mm_cmpeq_epi32(v, vb)), _mm_cmpeq_epi32(v, vc));
        const int mask = _mm_movemask_ps(_mm_castsi128_ps(hit));
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    for (; p < end; ++p) {
        if (*p == a || *p == b || *p == c)
            return p;
    }
    return end;
}

} // namespace plotwright::markup
