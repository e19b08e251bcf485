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

#ifdef PLOTWRIGHT_WIDE_SEARCH_SSE2
namespace detail {

// One bit per character of the 16 at `p` that equals `c`.
inline unsigned matchMask16(const wchar_t* p, __m128i c)
{
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    const __m128i low = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(v), c),
                                        _mm_cmpeq_epi32(_mm_loadu_si128(v + 1), c));
    const __m128i high = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_loadu_si128(v + 2), c),
                                         _mm_cmpeq_epi32(_mm_loadu_si128(v + 3), c));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
}

// Bit i becomes the parity of bits 0..i: set from an opening quote up to its closing one.
inline unsigned prefixParity16(unsigned m)
{
    m ^= m << 1;
    m ^= m << 2;
    m ^= m << 4;
    m ^= m << 8;
    return m & 0xFFFFu;
}

} // namespace detail
#endif

// The ">" that ends a start tag, searched from `p` (after the tag name): the first one
// outside quoted values, where a double quote opens or closes a value unless a
// single-quoted one is open, and likewise the other way round. `end` when there is none.
inline const wchar_t* findTagEnd(const wchar_t* p, const wchar_t* end)
{
    wchar_t quote = 0;
#ifdef PLOTWRIGHT_WIDE_SEARCH_SSE2
    // Sixteen characters a step while only double quotes occur: the quoted stretches
    // follow from the running parity of the quote positions, without a branch per value.
    const __m128i doubleQuote = _mm_set1_epi32(L'"');
    const __m128i singleQuote = _mm_set1_epi32(L'\'');
    const __m128i greater = _mm_set1_epi32(L'>');
    while (end - p >= 16) {
        if (quote == L'\'') {
            p = findFirstOf(p, end, L'\'', L'\'', L'\'');
            if (p == end)
                return end;
            ++p;
            quote = 0;
            continue;
        }
        if (detail::matchMask16(p, singleQuote) == 0) {
            const unsigned quoted =
                detail::prefixParity16(detail::matchMask16(p, doubleQuote)) ^ (quote ? 0xFFFFu : 0u);
            const unsigned ends = detail::matchMask16(p, greater) & ~quoted & 0xFFFFu;
            if (ends != 0)
                return p + __builtin_ctz(ends);
            quote = (quoted & 0x8000u) ? L'"' : 0;
            p += 16;
            continue;
        }
        for (const wchar_t* blockEnd = p + 16; p < blockEnd; ++p) {
            const wchar_t c = *p;
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == L'>') {
                return p;
            } else if (c == L'"' || c == L'\'') {
                quote = c;
            }
        }
    }
#endif
    for (; p < end; ++p) {
        const wchar_t c = *p;
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == L'>') {
            return p;
        } else if (c == L'"' || c == L'\'') {
            quote = c;
        }
    }
    return end;
}

} // namespace plotwright::markup
