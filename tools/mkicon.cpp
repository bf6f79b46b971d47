// mkicon OUT.ico IMAGE [IMAGE ...]
// Packs square images into one icon file, in the order given. An image is an
// 8-bit PAM (RGB or RGB_ALPHA) or a PNG. A PAM image whose pixels are either
// opaque or fully transparent and hold at most 16 colours (black and the
// transparent ones sharing an entry) becomes a classic 4-bit image with its
// own palette and an AND mask; any other becomes a 32-bit image with alpha.
// Nothing is quantised behind our back. A PNG is stored as it stands, as the
// system reads the large images since Vista.
#include "core/fileutil.h"
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Image {
    int size = 0;
    int bits = 0;         // of the stored image: 4, 32 (PNG: 32)
    std::string encoded;  // as stored in the file
};

struct Pixels {
    int size = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, top row first
};

std::string ReadAll(const wchar_t* path)
{
    std::string bytes;
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f.get())) > 0)
        bytes.append(buffer, n);
    return bytes;
}

uint32_t BigEndian32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8
        | uint8_t(b[at + 3]);
}

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

bool IsPng(const std::string& b) { return b.compare(0, 8, kPngSignature, 8) == 0; }

// The square size of a PNG from its IHDR chunk; 0 when it isn't one we store.
int PngSize(const std::string& b)
{
    if (b.size() < 33 || b.compare(12, 4, "IHDR") != 0)
        return 0;
    uint32_t w = BigEndian32(b, 16), h = BigEndian32(b, 20);
    return w == h && w >= 1 && w <= 256 ? int(w) : 0;
}

// An 8-bit PAM: "P7", header lines up to ENDHDR, then the samples.
bool ParsePam(const std::string& b, Pixels& out)
{
    if (b.compare(0, 3, "P7\n") != 0)
        return false;
    size_t at = 3;
    long width = 0, height = 0, depth = 0, maxval = 0;
    for (;;) {
        size_t end = b.find('\n', at);
        if (end == std::string::npos)
            return false;
        std::string line = b.substr(at, end - at);
        at = end + 1;
        if (line == "ENDHDR")
            break;
        char key[16] = "";
        long value = 0;
        if (line.empty() || line[0] == '#' || line.compare(0, 8, "TUPLTYPE") == 0)
            continue;
        if (sscanf(line.c_str(), "%15s %ld", key, &value) != 2 || value < 0 || value > 100000)
            return false;
        std::string k = key;
        if (k == "WIDTH")
            width = value;
        else if (k == "HEIGHT")
            height = value;
        else if (k == "DEPTH")
            depth = value;
        else if (k == "MAXVAL")
            maxval = value;
        else
            return false;
    }
    if (maxval != 255 || width != height || width < 1 || width > 256 || (depth != 3 && depth != 4))
        return false;
    size_t count = size_t(width) * size_t(height);
    if (b.size() - at < count * size_t(depth))
        return false;
    out.size = int(width);
    out.argb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + at + i * size_t(depth);
        uint32_t alpha = depth == 4 ? p[3] : 255;
        out.argb[i] = alpha << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return true;
}

void Put16(std::string& out, unsigned v)
{
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

size_t RowBytes(int bits) { return size_t((bits + 31) / 32) * 4; }

bool Transparent(uint32_t argb) { return argb >> 24 == 0; }

void PutHeader(std::string& out, int n, int bits, size_t imageBytes)
{
    Put32(out, 40);
    Put32(out, n);
    Put32(out, 2 * n);  // colour and mask rows together
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, BI_RGB);
    Put32(out, uint32_t(imageBytes));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
}

// The AND mask, bottom row first: set where the image shows what is behind
// it (to systems that draw without the alpha channel).
void PutMask(std::string& out, const Pixels& image)
{
    const int n = image.size;
    for (int y = n - 1; y >= 0; --y) {
        std::string row(RowBytes(n), '\0');
        for (int x = 0; x < n; ++x)
            if (image.argb[size_t(y) * n + x] >> 24 < 128)
                row[x / 8] |= char(0x80 >> (x % 8));
        out += row;
    }
}

// The classic 4-bit form; empty when the image doesn't fit it.
std::string EncodeClassic(const Pixels& image)
{
    const int n = image.size;
    std::vector<uint32_t> palette{0x000000};  // transparent pixels use entry 0
    std::vector<unsigned char> index(image.argb.size());
    for (size_t i = 0; i < image.argb.size(); ++i) {
        uint32_t alpha = image.argb[i] >> 24;
        if (alpha == 0)
            continue;
        if (alpha != 255)
            return {};
        uint32_t c = image.argb[i] & 0xFFFFFF;
        size_t k = 0;
        while (k < palette.size() && palette[k] != c)
            ++k;
        if (k == palette.size()) {
            if (palette.size() == 16)
                return {};
            palette.push_back(c);
        }
        index[i] = (unsigned char)k;
    }
    palette.resize(16, 0);

    const size_t colourRow = RowBytes(n * 4);
    std::string out;
    PutHeader(out, n, 4, (colourRow + RowBytes(n)) * n);
    for (uint32_t c : palette) {
        out += char(c & 0xFF);
        out += char(c >> 8 & 0xFF);
        out += char(c >> 16 & 0xFF);
        out += '\0';
    }
    for (int y = n - 1; y >= 0; --y) {
        std::string row(colourRow, '\0');
        for (int x = 0; x < n; ++x)
            row[x / 2] |= char(index[size_t(y) * n + x] << (x % 2 ? 0 : 4));
        out += row;
    }
    PutMask(out, image);
    return out;
}

// 32 bits a pixel, blue, green, red, alpha (not premultiplied).
std::string EncodeAlpha(const Pixels& image)
{
    const int n = image.size;
    std::string out;
    PutHeader(out, n, 32, (size_t(n) * 4 + RowBytes(n)) * n);
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            uint32_t c = image.argb[size_t(y) * n + x];
            Put32(out, Transparent(c) ? 0 : c);
        }
    PutMask(out, image);
    return out;
}

bool ReadImage(const wchar_t* path, Image& image)
{
    std::string bytes = ReadAll(path);
    if (IsPng(bytes)) {
        image.size = PngSize(bytes);
        image.bits = 32;
        image.encoded = std::move(bytes);
        return image.size != 0;
    }
    Pixels pixels;
    if (!ParsePam(bytes, pixels))
        return false;
    image.size = pixels.size;
    image.encoded = EncodeClassic(pixels);
    image.bits = 4;
    if (image.encoded.empty()) {
        image.encoded = EncodeAlpha(pixels);
        image.bits = 32;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fputs("usage: mkicon OUT.ico IMAGE [IMAGE ...]\n", stderr);
        return 2;
    }
    std::vector<Image> images;
    for (int i = 2; i < argc; ++i) {
        Image image;
        if (!ReadImage(argv[i], image)) {
            fwprintf(stderr, L"mkicon: %ls: not a square 8-bit PAM or PNG of at most 256 pixels\n", argv[i]);
            return 1;
        }
        images.push_back(std::move(image));
    }

    std::string file;
    Put16(file, 0);
    Put16(file, 1);  // icon, not cursor
    Put16(file, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const Image& image : images) {
        file += char(image.size == 256 ? 0 : image.size);
        file += char(image.size == 256 ? 0 : image.size);
        file += char(image.bits == 4 ? 16 : 0);
        file += '\0';
        Put16(file, 1);
        Put16(file, unsigned(image.bits));
        Put32(file, uint32_t(image.encoded.size()));
        Put32(file, offset);
        offset += uint32_t(image.encoded.size());
    }
    for (const Image& image : images)
        file += image.encoded;

    std::wstring out = argv[1], temp = out + L".tmp";
    bool ok = false;
    {
        UniqueFile f(_wfopen(temp.c_str(), L"wb"));
        ok = f && fwrite(file.data(), 1, file.size(), f.get()) == file.size() && FlushFileToDisk(f.get());
    }
    if (!ok || !ReplaceFileAtomic(temp.c_str(), out.c_str())) {
        DeleteFileW(temp.c_str());
        fwprintf(stderr, L"mkicon: can't write %ls\n", out.c_str());
        return 1;
    }
    return 0;
}
