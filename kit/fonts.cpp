#include "kit/fonts.h"
#include "core/uistrings.h"
#include <algorithm>
#include <climits>

int FontHeightForPoints(int points, int dpi)
{
    // rounded half away from zero; wide, as a damaged setting may hold any
    // 32-bit value
    long long scaled = static_cast<long long>(points) * (dpi > 0 ? dpi : 96);
    long long h = (scaled >= 0 ? scaled + 36 : scaled - 36) / 72;
    return static_cast<int>(-std::clamp<long long>(h, -INT_MAX, INT_MAX));
}

static HFONT CreateFontFor(int points, int weight, const wchar_t* face, int charset, int dpi)
{
    return CreateFontW(FontHeightForPoints(points, dpi), 0, 0, 0, weight, 0, 0, 0, static_cast<DWORD>(charset),
                       0, 0, 0, 0, face);
}

HFONT MakeFont(int points, int weight, const wchar_t* face, int charset, bool foreignFaces, int dpi)
{
    if (foreignFaces && charset >= 600 && charset <= 699) {
        size_t i = static_cast<size_t>(charset - 600);
        const wchar_t* foreign = i < g_foreignFontFaces.size() ? g_foreignFontFaces[i] : nullptr;
        return CreateFontFor(points, weight, foreign ? foreign : L"", 0, dpi);
    }
    if (charset == 500)
        return CreateFontFor(points, weight, L"Times SudEuro", 0, dpi);
    return CreateFontFor(points, weight, face, charset, dpi);
}
