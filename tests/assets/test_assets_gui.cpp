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
uint32_t BigEndian32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) << 24 | uint8_t(b[at + 1]) << 16 | uint8_t(b[at + 2]) << 8 | uint8_t(b[at + 3]);
}

std::wstring Asset(const wchar_t* name) { return BuildPath(std::wstring(L"assets/") + name); }

struct IconEntry {
    int size;
    int colours;
    int bits;
    uint32_t bytes;
    uint32_t offset;
    bool png;
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
        IconEntry e{uint8_t(file[at]) ? uint8_t(file[at]) : 256, uint8_t(file[at + 2]), int(U16(file, at + 6)),
                    U32(file, at + 8), U32(file, at + 12), false};
        if (e.offset > file.size() || e.bytes > file.size() - e.offset || e.bytes < 40)
            return {};
        // The image's own header must agree with its entry.
        e.png = file.compare(e.offset, 8, "\x89PNG\r\n\x1a\n", 8) == 0;
        if (e.png ? file.compare(e.offset + 12, 4, "IHDR") != 0 || int(BigEndian32(file, e.offset + 16)) != e.size
                        || int(BigEndian32(file, e.offset + 20)) != e.size
                  : U32(file, e.offset) != 40 || int(U32(file, e.offset + 4)) != e.size
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

// The icon file's image of that size as the system loads it for that size;
// empty when it can't.
std::vector<COLORREF> LoadAndRender(const std::wstring& file, int size, COLORREF background)
{
    HICON icon = (HICON)LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE);
    if (!icon)
        return {};
    std::vector<COLORREF> pixels = RenderIcon(icon, size, background);
    DestroyIcon(icon);
    return pixels;
}

const wchar_t* const kLanguageIcons[][2] = {
    {L"english.ico", L"eng.ico"}, {L"nederlands.ico", L"ned.ico"}, {L"francais.ico", L"fra.ico"},
    {L"deutsch.ico", L"deu.ico"}, {L"greek.ico", L"gre.ico"},      {L"polish.ico", L"pol.ico"},
};

// The sizes an icon carries, in the order of its file: what the system asks
// for at 100, 125, 150 and 200 % scale, large views and 256.
const std::vector<int> kIconSizes{32, 16, 20, 24, 40, 48, 64, 256};

struct IconFile {
    std::wstring name;
    std::vector<int> sizes;
};

// Every icon of the medium and the programs; newbook.ico is copied byte for
// byte into every new word book's icon file, which keeps a 32 and a 16.
std::vector<IconFile> AllIcons()
{
    std::vector<IconFile> icons{{L"wboek.ico", kIconSizes}, {L"install.ico", kIconSizes}, {L"newbook.ico", {32, 16}}};
    for (auto& pair : kLanguageIcons) {
        icons.push_back({pair[0], kIconSizes});
        icons.push_back({pair[1], kIconSizes});
    }
    return icons;
}

}  // namespace

TEST(Icons, EveryIconLoadsInEachOfItsSizesWithTransparentCorners)
{
    for (const IconFile& file : AllIcons()) {
        SCOPED_TRACE(Narrow(file.name));
        std::string bytes = ReadBytes(Asset(file.name.c_str()));
        std::vector<IconEntry> dir = ReadIconDir(bytes);
        ASSERT_EQ(file.sizes.size(), dir.size());
        for (size_t i = 0; i < dir.size(); ++i) {
            const int size = file.sizes[i];
            SCOPED_TRACE(size);
            ASSERT_EQ(size, dir[i].size);
            HICON icon = (HICON)LoadImageW(nullptr, Asset(file.name.c_str()).c_str(), IMAGE_ICON, size, size,
                                           LR_LOADFROMFILE);
            ASSERT_NE(nullptr, icon);
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
            DestroyIcon(icon);
            EXPECT_EQ(back, pixels[0]);
            size_t drawn = 0, magenta = 0;
            for (COLORREF c : pixels) {
                drawn += c != back;
                magenta += c == RGB(255, 0, 255);
            }
            EXPECT_GT(drawn, pixels.size() / 4);
            EXPECT_EQ(0u, magenta);

            // What the loader took is the file's own image of that size (the
            // 256 one PNG-compressed), not another one resized.
            HICON own = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(bytes.data()) + dir[i].offset,
                                                 dir[i].bytes, TRUE, 0x00030000, size, size, 0);
            ASSERT_NE(nullptr, own);
            EXPECT_TRUE(RenderIcon(own, size, back) == pixels);
            DestroyIcon(own);
        }
    }
    // The short names are the same icons.
    for (auto& pair : kLanguageIcons)
        EXPECT_EQ(ReadBytes(Asset(pair[0])), ReadBytes(Asset(pair[1]))) << Narrow(pair[1]);
}

TEST(Icons, KeepEachImageClassicWhereSixteenColoursHoldItAndTheLargestAsPng)
{
    std::string newbook = ReadBytes(Asset(L"newbook.ico"));
    EXPECT_EQ(1078u, newbook.size());
    for (const IconFile& icon : AllIcons()) {
        SCOPED_TRACE(Narrow(icon.name));
        std::string file = ReadBytes(Asset(icon.name.c_str()));
        std::vector<IconEntry> dir = ReadIconDir(file);
        ASSERT_EQ(icon.sizes.size(), dir.size());
        uint32_t end = uint32_t(6 + 16 * dir.size());
        for (const IconEntry& e : dir) {
            SCOPED_TRACE(e.size);
            // Images one after another, nothing between or after them.
            EXPECT_EQ(end, e.offset);
            end = e.offset + e.bytes;
            if (e.png) {
                EXPECT_EQ(256, e.size);
                continue;
            }
            // The pixel art's own sizes, and its whole multiples, keep 16 colours.
            if (e.size == 16 || e.size == 32 || e.size == 64) {
                EXPECT_EQ(4, e.bits);
            }
            ASSERT_TRUE(e.bits == 4 || e.bits == 32) << e.bits;
            // header, palette, colour rows, 1-bit mask rows, rows padded to 32 bits
            uint32_t colourRow = (e.size * e.bits + 31) / 32 * 4, maskRow = (e.size + 31) / 32 * 4;
            EXPECT_EQ(e.bits == 4 ? 16 : 0, e.colours);
            EXPECT_EQ(40u + (e.bits == 4 ? 64u : 0u) + (colourRow + maskRow) * e.size, e.bytes);
        }
        EXPECT_EQ(end, file.size());
        EXPECT_LT(file.size(), 64u * 1024);
    }
}

TEST(Icons, WholeMultiplesOfThe32AreItsPixelsMadeLargerAndTheOtherSizesKeepItsColours)
{
    // Averaging keeps the colours' mean over the square (a flag's frame and
    // field take a little more or less of it at some sizes): a mixed-up
    // channel or a foreign picture would not.
    const COLORREF back = RGB(128, 128, 128);
    auto mean = [](const std::vector<COLORREF>& pixels, int channel) {
        double sum = 0;
        for (COLORREF c : pixels)
            sum += c >> (8 * channel) & 0xFF;
        return sum / pixels.size();
    };
    for (const IconFile& file : AllIcons()) {
        if (file.sizes != kIconSizes)
            continue;
        SCOPED_TRACE(Narrow(file.name));
        std::wstring path = Asset(file.name.c_str());
        std::vector<COLORREF> small = LoadAndRender(path, 32, back);
        ASSERT_EQ(32u * 32, small.size());
        for (int size : {20, 24, 40, 48, 64, 256}) {
            SCOPED_TRACE(size);
            std::vector<COLORREF> pixels = LoadAndRender(path, size, back);
            ASSERT_EQ(size_t(size) * size, pixels.size());
            if (size % 32 == 0) {
                const int factor = size / 32;
                int wrong = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        wrong += pixels[size_t(y) * size + x] != small[size_t(y / factor) * 32 + x / factor];
                EXPECT_EQ(0, wrong);
            } else {
                for (int channel = 0; channel < 3; ++channel)
                    EXPECT_NEAR(mean(small, channel), mean(pixels, channel), 10.0) << "channel " << channel;
            }
        }
    }
}

TEST(Icons, TheProgramsResourcesCarryEverySize)
{
    // Packed by the resource compiler as wordbook.rc and setup.rc pack them.
    for (const wchar_t* name : {L"wboekicon", L"installicon"}) {
        SCOPED_TRACE(Narrow(name));
        std::wstring file = Asset(name == std::wstring(L"wboekicon") ? L"wboek.ico" : L"install.ico");
        for (int size : kIconSizes) {
            HICON icon = (HICON)LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, 0);
            ASSERT_NE(nullptr, icon) << size;
            EXPECT_TRUE(RenderIcon(icon, size, RGB(1, 2, 3)) == LoadAndRender(file, size, RGB(1, 2, 3))) << size;
            DestroyIcon(icon);
        }
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

namespace {

struct LogoLook {
    int width = 0, height = 0;
    COLORREF key = 0;       // the top-left colour
    bool framed = false;    // the key in every corner
    double artShare = 0;    // of the pixels not the key
    int fringe = 0;         // pixels near the key but not it: a half-transparent edge
};

LogoLook LookAtLogo(const wchar_t* name)
{
    LogoLook look;
    HBITMAP logo = (HBITMAP)LoadImageW(nullptr, Asset(name).c_str(), IMAGE_BITMAP, 0, 0,
                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!logo)
        return look;
    BITMAP bm{};
    GetObjectW(logo, sizeof bm, &bm);
    const int w = look.width = bm.bmWidth, h = look.height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> p(size_t(w) * h);
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, logo, 0, UINT(h), p.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    DeleteObject(logo);
    auto at = [&](int x, int y) { return p[size_t(y) * w + x] & 0xFFFFFF; };
    const uint32_t key = at(0, 0);
    look.key = RGB(key >> 16 & 0xFF, key >> 8 & 0xFF, key & 0xFF);
    look.framed = at(w - 1, 0) == key && at(0, h - 1) == key && at(w - 1, h - 1) == key;
    size_t art = 0;
    for (uint32_t c : p) {
        c &= 0xFFFFFF;
        art += c != key;
        int distance = abs(int(c >> 16 & 0xFF) - int(key >> 16 & 0xFF)) + abs(int(c >> 8 & 0xFF) - int(key >> 8 & 0xFF))
            + abs(int(c & 0xFF) - int(key & 0xFF));
        look.fringe += c != key && distance < 160;
    }
    look.artShare = double(art) / p.size();
    return look;
}

}  // namespace

TEST(Logo, IsDrawnForEachScaleAtItsSizeWithTheSameColourKey)
{
    // The files the main window takes at 150 and 200 % beside logo.bmp.
    const struct {
        const wchar_t* name;
        int dpi;
    } scales[] = {{L"logo.bmp", 96}, {L"logo-144.bmp", 144}, {L"logo-192.bmp", 192}};
    LogoLook design = LookAtLogo(L"logo.bmp");
    ASSERT_GT(design.width, 0);
    for (const auto& scale : scales) {
        SCOPED_TRACE(Narrow(scale.name));
        std::string file = ReadBytes(Asset(scale.name));
        ASSERT_GT(file.size(), 54u);
        EXPECT_EQ("BM", file.substr(0, 2));
        EXPECT_EQ(40u, U32(file, 14));
        EXPECT_EQ(24u, U16(file, 28));
        EXPECT_EQ(uint32_t(BI_RGB), U32(file, 30));

        LogoLook look = LookAtLogo(scale.name);
        EXPECT_EQ(MulDiv(design.width, scale.dpi, 96), look.width);
        EXPECT_EQ(MulDiv(design.height, scale.dpi, 96), look.height);
        EXPECT_EQ(design.key, look.key);
        EXPECT_TRUE(look.framed);
        // The same art, only larger: it covers the same share of the bitmap,
        // with hard edges against the key.
        EXPECT_NEAR(design.artShare, look.artShare, 0.02);
        EXPECT_EQ(0, look.fringe);
    }
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

// The about box's animation for each scale: frames Scale(144 x 108, dpi).
const struct {
    const wchar_t* name;
    int width, height;
} kFilms[] = {{L"dict.avi", 144, 108}, {L"dict-144.avi", 216, 162}, {L"dict-192.avi", 288, 216}};

TEST(Animation, PlaysInAMediaWindowTheRightWayUp)
{
    for (const auto& film : kFilms) {
        SCOPED_TRACE(Narrow(film.name));
        HWND parent = CreateWindowExW(0, L"STATIC", L"about", WS_POPUP | WS_VISIBLE, 100, 100, 320, 240, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, parent);
        HWND movie = MCIWndCreateW(parent, GetModuleHandleW(nullptr),
                                   WS_CHILD | WS_VISIBLE | MCIWNDF_NOPLAYBAR | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG,
                                   Asset(film.name).c_str());
        ASSERT_NE(nullptr, movie);
        EXPECT_NE(0u, MCIWndGetDeviceID(movie));
        LONG frames = MCIWndGetLength(movie);
        EXPECT_GT(frames, 10);

        // The window takes the movie's size, which must fit the about box's frame.
        RECT rc;
        GetClientRect(movie, &rc);
        EXPECT_EQ(film.width, rc.right);
        EXPECT_EQ(film.height, rc.bottom);

        // At rest the book lies open: light sky at the top, the book's shadow
        // below it. Upside-down frames would swap the two.
        MCIWndSeek(movie, 0);
        UpdateWindow(movie);
        PumpFor(200);
        const int x = film.width / 2, sky = 4 * film.width / 144, shadow = 101 * film.width / 144;
        EXPECT_TRUE(Near(RGB(0xDC, 0xE8, 0xF4), ScreenPixel(movie, x, sky))) << std::hex << ScreenPixel(movie, x, sky);
        EXPECT_TRUE(Near(RGB(0xB8, 0xC4, 0xD0), ScreenPixel(movie, x, shadow)))
            << std::hex << ScreenPixel(movie, x, shadow);

        MCIWndSetRepeat(movie, TRUE);
        EXPECT_EQ(0, MCIWndPlay(movie));
        PumpFor(600);
        EXPECT_GT(MCIWndGetPosition(movie), 0);
        MCIWndStop(movie);
        MCIWndClose(movie);
        MCIWndDestroy(movie);
        DestroyWindow(parent);
    }
}

TEST(Animation, OpensAsAnAviVideoDevice)
{
    std::wstring length;
    for (const auto& film : kFilms) {
        SCOPED_TRACE(Narrow(film.name));
        std::wstring open = L"open \"" + Asset(film.name) + L"\" type avivideo alias anim";
        ASSERT_EQ(0u, mciSendStringW(open.c_str(), nullptr, 0, nullptr));
        wchar_t reply[64] = L"";
        EXPECT_EQ(0u, mciSendStringW(L"status anim length", reply, 64, nullptr));
        EXPECT_GT(_wtoi(reply), 10);
        // Every scale runs the same frames.
        if (length.empty())
            length = reply;
        EXPECT_EQ(length, reply);
        EXPECT_EQ(0u, mciSendStringW(L"where anim source", reply, 64, nullptr));
        EXPECT_EQ(L"0 0 " + std::to_wstring(film.width) + L" " + std::to_wstring(film.height), reply);
        EXPECT_EQ(0u, mciSendStringW(L"play anim", nullptr, 0, nullptr));
        PumpFor(300);
        EXPECT_EQ(0u, mciSendStringW(L"close anim", nullptr, 0, nullptr));
    }
}
