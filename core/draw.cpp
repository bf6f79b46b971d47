#include "core/draw.h"

void DrawEngravedText(HDC dc, RECT* rc, const wchar_t* text, UINT format)
{
    SetTextColor(dc, RGB(224, 224, 224));
    DrawTextW(dc, text, -1, rc, format);
    rc->left -= 1;
    rc->top -= 1;
    SetTextColor(dc, RGB(0, 128, 0));
    DrawTextW(dc, text, -1, rc, format);
}
