// Names and words are compared folding only the letters A to Z, so that the
// result never depends on the locale that happens to be set.
#pragma once
#include <cstddef>
#include <string>

template <typename Ch>
constexpr Ch FoldAZ(Ch c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<Ch>(c - 'A' + 'a') : c;
}

// Compares at most n characters (strncmp-like), folding A to Z.
template <typename Ch>
int CompareFoldAZ(const Ch* a, const Ch* b, size_t n = static_cast<size_t>(-1))
{
    for (size_t i = 0; i < n; ++i) {
        Ch x = FoldAZ(a[i]), y = FoldAZ(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            break;
    }
    return 0;
}

template <typename Ch>
bool EqualFoldAZ(const Ch* a, const Ch* b)
{
    return CompareFoldAZ(a, b) == 0;
}

// True when text begins with prefix (folding A to Z).
template <typename Ch>
bool StartsWithFoldAZ(const Ch* text, const Ch* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (FoldAZ(*text) != FoldAZ(*prefix))
            return false;
    return true;
}

// Whole strings, embedded zeros and all.
template <typename Ch>
bool EqualFoldAZ(const std::basic_string<Ch>& a, const std::basic_string<Ch>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAZ(a[i]) != FoldAZ(b[i]))
            return false;
    return true;
}
