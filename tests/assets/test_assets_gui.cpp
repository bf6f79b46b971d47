// The generated files of the delivery medium load the way the programs load
// them: icons and the logo through LoadImage, the animation through MCI.
#include "tests/support/testutil.h"
#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>
#include <cstdint>
#include <cstring>

namespace {

uint32_t U16(const std::string& b, size_t at) { return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8; }
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::wstring Asset(const wchar_t* name) { return BuildPath(std::wstring(L"assets/") + name); }

struct IconEntry {
    int size;
    int colours;
    int bits;
    uint32_t bytes;
    uint32_t offset;
};

// The directory of an ICO file; empty when the header or an entry is broken.
std::vector<IconEntry> ReadIconDir(const std::string& file)
{
    std::vector<IconEntry> entries;
    if (file.size() < 6 || U16(file, 0) != 0 || U16(file, 2) != 1)
        return entries;
    size_t n = U16(file, 4);
    if (file.size() < 6 + 16 * n)
        return {};
    for (size_t i = 0; i < n; ++i) {
        size_t at = 6 + 16 * i;
        IconEntry e{uint8_t(file[at]), uint8_t(file[at + 2]), int(U16(file, at + 6)), U32(file, at + 8),
                    U32(file, at + 12)};
        if (e.offset > file.size() || e.bytes > file.size() - e.offset)
            return {};
        // The image's own header must agree with its entry.
        if (U32(file, e.offset) != 40 || int(U32(file, e.offset + 4)) != e.size
            || int(U32(file, e.offset + 8)) != 2 * e.size || int(U16(file, e.offset + 14)) != e.bits)
            return {};
        entries.push_back(e);
    }
    return entries;
}

// Draws the icon on a known background and returns the pixels, top row first.
std::vector<COLORREF> RenderIcon(HICON icon, int size, COLORREF background)
{
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH brush = CreateSolidBrush(background);
    RECT r{0, 0, size, size};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<COLORREF> pixels(size_t(size) * size);
    auto* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB(p[i] >> 16 & 0xFF, p[i] >> 8 & 0xFF, p[i] & 0xFF);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return pixels;
}

const wchar_t* const kLanguageIcons[][2] = {
    {L"english.ico", L"eng.ico"}, {L"nederlands.ico", L"ned.ico"}, {L"francais.ico", L"fra.ico"},
    {L"deutsch.ico", L"deu.ico"}, {L"greek.ico", L"gre.ico"},      {L"polish.ico", L"pol.ico"},
};

}  // namespace

TEST(Icons, EveryIconLoadsInBothSizesWithTransparentCorners)
{
    std::vector<std::wstring> names{L"wboek.ico", L"install.ico", L"newbook.ico"};
    for (auto& pair : kLanguageIcons) {
        names.push_back(pair[0]);
        names.push_back(pair[1]);
    }
    for (const std::wstring& name : names) {
        SCOPED_TRACE(Narrow(name));
        for (int size : {32, 16}) {
            HICON icon = (HICON)LoadImageW(nullptr, Asset(name.c_str()).c_str(), IMAGE_ICON, size, size,
                                           LR_LOADFROMFILE);
            ASSERT_NE(nullptr, icon) << size;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP bm{};
            GetObjectW(info.hbmColor, sizeof bm, &bm);
            EXPECT_EQ(size, bm.bmWidth);
            EXPECT_EQ(size, bm.bmHeight);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);

            // Magenta in the art means "transparent": the top-left corner of
            // every icon shows the background, and the art covers some of it.
            const COLORREF back = RGB(1, 2, 3);
            std::vector<COLORREF> pixels = RenderIcon(icon, size, back);
            EXPECT_EQ(back, pixels[0]);
            size_t drawn = 0, magenta = 0;
            for (COLORREF c : pixels) {
                drawn += c != back;
                magenta += c == RGB(255, 0, 255);
            }
            EXPECT_GT(drawn, pixels.size() / 4);
            EXPECT_EQ(0u, magenta);
            DestroyIcon(icon);
        }
    }
    // The short names are the same icons.
    for (auto& pair : kLanguageIcons)
        EXPECT_EQ(ReadBytes(Asset(pair[0])), ReadBytes(Asset(pair[1]))) << Narrow(pair[1]);
}

TEST(Icons, AllAreClassicSixteenColourIconsOfTwoSizes)
{
    // newbook.ico is copied byte for byte into every new word book's icon file,
    // whose size the rest of the system expects to be 1078.
    std::string newbook = ReadBytes(Asset(L"newbook.ico"));
    EXPECT_EQ(1078u, newbook.size());
    for (const wchar_t* name : {L"newbook.ico", L"wboek.ico", L"install.ico", L"eng.ico", L"gre.ico"}) {
        SCOPED_TRACE(Narrow(name));
        std::string file = ReadBytes(Asset(name));
        std::vector<IconEntry> dir = ReadIconDir(file);
        ASSERT_EQ(2u, dir.size());
        EXPECT_EQ(32, dir[0].size);
        EXPECT_EQ(16, dir[1].size);
        for (const IconEntry& e : dir) {
            EXPECT_EQ(16, e.colours);
            EXPECT_EQ(4, e.bits);
            // header, 16 palette entries, 4-bit colour rows, 1-bit mask rows padded to 32 bits
            uint32_t maskRow = (e.size + 31) / 32 * 4;
            EXPECT_EQ(40u + 64u + e.size * e.size / 2 + maskRow * e.size, e.bytes);
        }
        EXPECT_EQ(dir[1].offset + dir[1].bytes, file.size());
    }
}

TEST(Logo, LoadsAsAPlainBitmapThatFitsTheTitleBand)
{
    std::string file = ReadBytes(Asset(L"logo.bmp"));
    ASSERT_GT(file.size(), 54u);
    EXPECT_EQ("BM", file.substr(0, 2));
    EXPECT_EQ(40u, U32(file, 14));       // BITMAPINFOHEADER, which every loader reads
    EXPECT_EQ(24u, U16(file, 28));
    EXPECT_EQ(uint32_t(BI_RGB), U32(file, 30));

    HBITMAP logo = (HBITMAP)LoadImageW(nullptr, Asset(L"logo.bmp").c_str(), IMAGE_BITMAP, 0, 0,
                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, logo);
    DIBSECTION ds{};
    ASSERT_EQ(int(sizeof ds), GetObjectW(logo, sizeof ds, &ds));
    const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
    EXPECT_LE(w, 565);
    EXPECT_LE(h, 96);
    EXPECT_GE(w, 200);
    EXPECT_GE(h, 40);

    // The top-left colour is the transparent one: it must frame the art and
    // leave a fair share of the bitmap to the art itself.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, logo);
    COLORREF key = GetPixel(dc, 0, 0);
    EXPECT_EQ(key, GetPixel(dc, w - 1, 0));
    EXPECT_EQ(key, GetPixel(dc, 0, h - 1));
    EXPECT_EQ(key, GetPixel(dc, w - 1, h - 1));
    int art = 0;
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2)
            art += GetPixel(dc, x, y) != key;
    EXPECT_GT(art, w * h / 4 / 10);
    EXPECT_LT(art, w * h / 4 * 9 / 10);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(logo);
}

TEST(Sounds, AreShortMonoPcmWaves)
{
    for (const wchar_t* name : {L"right.wav", L"wrong.wav", L"skipped.wav"}) {
        SCOPED_TRACE(Narrow(name));
        std::string file = ReadBytes(Asset(name));
        ASSERT_GE(file.size(), 44u);
        EXPECT_EQ("RIFF", file.substr(0, 4));
        EXPECT_EQ(file.size() - 8, U32(file, 4));
        EXPECT_EQ("WAVE", file.substr(8, 4));
        uint32_t format = 0, channels = 0, rate = 0, byteRate = 0, align = 0, bits = 0, data = 0;
        for (size_t at = 12; at + 8 <= file.size();) {
            std::string id = file.substr(at, 4);
            uint32_t len = U32(file, at + 4);
            ASSERT_LE(len, file.size() - at - 8) << id;
            if (id == "fmt ") {
                format = U16(file, at + 8);
                channels = U16(file, at + 10);
                rate = U32(file, at + 12);
                byteRate = U32(file, at + 16);
                align = U16(file, at + 20);
                bits = U16(file, at + 22);
            } else if (id == "data") {
                data = len;
            }
            at += 8 + len + (len & 1);
        }
        EXPECT_EQ(uint32_t(WAVE_FORMAT_PCM), format);
        EXPECT_EQ(1u, channels);
        EXPECT_EQ(22050u, rate);
        EXPECT_TRUE(bits == 8 || bits == 16) << bits;
        EXPECT_EQ(bits / 8, align);
        EXPECT_EQ(rate * align, byteRate);
        // Played synchronously after an answer, so they must stay short.
        ASSERT_GT(byteRate, 0u);
        EXPECT_GT(data, byteRate / 50);
        EXPECT_LT(data, byteRate);
    }
}

namespace {

void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// Screen colour of a window's client pixel.
COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

bool Near(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) < 16 && abs(GetGValue(a) - GetGValue(b)) < 16
        && abs(GetBValue(a) - GetBValue(b)) < 16;
}

}  // namespace

TEST(Animation, PlaysInAMediaWindowTheRightWayUp)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"about", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    HWND movie = MCIWndCreateW(parent, GetModuleHandleW(nullptr),
                               WS_CHILD | WS_VISIBLE | MCIWNDF_NOPLAYBAR | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG,
                               Asset(L"dict.avi").c_str());
    ASSERT_NE(nullptr, movie);
    EXPECT_NE(0u, MCIWndGetDeviceID(movie));
    LONG frames = MCIWndGetLength(movie);
    EXPECT_GT(frames, 10);

    // The window takes the movie's size, which must fit the about box's frame.
    RECT rc;
    GetClientRect(movie, &rc);
    EXPECT_EQ(144, rc.right);
    EXPECT_EQ(108, rc.bottom);

    // At rest the book lies open: light sky at the top, the book's shadow
    // below it. Upside-down frames would swap the two.
    MCIWndSeek(movie, 0);
    UpdateWindow(movie);
    PumpFor(200);
    EXPECT_TRUE(Near(RGB(0xDC, 0xE8, 0xF4), ScreenPixel(movie, 72, 4))) << std::hex << ScreenPixel(movie, 72, 4);
    EXPECT_TRUE(Near(RGB(0xB8, 0xC4, 0xD0), ScreenPixel(movie, 72, 101))) << std::hex << ScreenPixel(movie, 72, 101);

    MCIWndSetRepeat(movie, TRUE);
    EXPECT_EQ(0, MCIWndPlay(movie));
    PumpFor(600);
    EXPECT_GT(MCIWndGetPosition(movie), 0);
    MCIWndStop(movie);
    MCIWndClose(movie);
    MCIWndDestroy(movie);
    DestroyWindow(parent);
}

TEST(Animation, OpensAsAnAviVideoDevice)
{
    std::wstring open = L"open \"" + Asset(L"dict.avi") + L"\" type avivideo alias anim";
    ASSERT_EQ(0u, mciSendStringW(open.c_str(), nullptr, 0, nullptr));
    wchar_t reply[64] = L"";
    EXPECT_EQ(0u, mciSendStringW(L"status anim length", reply, 64, nullptr));
    EXPECT_GT(_wtoi(reply), 10);
    EXPECT_EQ(0u, mciSendStringW(L"where anim source", reply, 64, nullptr));
    EXPECT_STREQ(L"0 0 144 108", reply);
    EXPECT_EQ(0u, mciSendStringW(L"play anim", nullptr, 0, nullptr));
    PumpFor(300);
    EXPECT_EQ(0u, mciSendStringW(L"close anim", nullptr, 0, nullptr));
}
