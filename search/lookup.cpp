#include "search/lookup.h"
#include "shell/app.h"
#include "core/codepage.h"
#include "kit/dpi.h"
#include <algorithm>

int CaptionAndMenuHeight(int dpi)
{
    int system = SystemDpi();
    return dpi == system ? g_captionHeight + g_menuHeight : MulDiv(g_captionHeight + g_menuHeight, dpi, system);
}

int ClampTop(int top, int count, int rows)
{
    int last = std::max(0, count - rows);
    top = std::clamp(top, 0, last);
    if (count - top < rows)
        top = last;
    return top;
}

int ThumbPosition(HWND bar, int messagePosition)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS | SIF_RANGE;
    GetScrollInfo(bar, SB_CTL, &info);
    return info.nMax > 0xFFFF ? info.nTrackPos : messagePosition;
}

// The clipboard is owned by whoever opened it last; a busy clipboard is
// simply no text.
struct OpenClipboardScope {
    bool open;
    explicit OpenClipboardScope(HWND owner) : open(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() { if (open) CloseClipboard(); }
};

bool ReadClipboardBytes(HWND owner, std::string* bytes)
{
    if (!IsClipboardFormatAvailable(CF_TEXT))
        return false;
    OpenClipboardScope clip(owner);
    if (!clip.open)
        return false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return false;
    const char* text = static_cast<const char*>(GlobalLock(data));
    if (!text)
        return false;
    size_t size = GlobalSize(data);
    bytes->assign(text, std::find(text, text + size, '\0'));
    GlobalUnlock(data);
    return true;
}

bool ReadClipboardText(HWND owner, int codePage, size_t limit, std::wstring* text)
{
    std::string bytes;
    if (!ReadClipboardBytes(owner, &bytes))
        return false;
    *text = WidenText(bytes, codePage);
    if (text->size() > limit) {
        size_t cut = limit;
        if (cut > 0 && IS_HIGH_SURROGATE((*text)[cut - 1]))
            --cut;
        text->resize(cut);
    }
    return true;
}

bool WriteClipboardText(HWND owner, const std::wstring& text, int codePage)
{
    std::string bytes = NarrowText(text, codePage);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1);
    if (!block)
        return false;
    if (char* p = static_cast<char*>(GlobalLock(block))) {
        std::copy(bytes.begin(), bytes.end(), p);
        GlobalUnlock(block);
    }
    OpenClipboardScope clip(owner);
    if (!clip.open || !EmptyClipboard() || !SetClipboardData(CF_TEXT, block)) {
        GlobalFree(block);
        return false;
    }
    return true;
}

std::wstring SoundFilePath(const wchar_t* language, const std::wstring& word)
{
    if (word.empty() || word == L"." || word.find(L"..") != std::wstring::npos ||
        word.find_first_of(L"\\/:") != std::wstring::npos)
        return L"";
    return std::wstring(L"sound\\") + language + L"\\" + word + L".wav";
}

bool IsWordSeparator(wchar_t c)
{
    return c <= 38 || (c >= 40 && c <= 44) || (c >= 46 && c <= 64) || (c >= 91 && c <= 96);
}

std::wstring WordAtCaret(const std::wstring& text, size_t k, size_t maxChars)
{
    if (k >= text.size() || IsWordSeparator(text[k]))
        return L"";
    size_t start = k;
    while (start > 0 && !IsWordSeparator(text[start - 1]))
        --start;
    size_t end = k;
    while (end < text.size() && !IsWordSeparator(text[end]))
        ++end;
    return text.substr(start, std::min(end - start, maxChars));
}
