// mkicon OUT.ico IMAGE.ppm [IMAGE.ppm ...]
// Packs square PPM images into one classic 16-colour icon file: every image
// 4 bits per pixel with its own palette and an AND mask. Magenta (FF00FF)
// pixels are transparent. Fails when an image holds more than 15 colours
// besides black, so the art never gets quantised behind our back.
#include "core/fileutil.h"
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Image {
    int size = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first
};

const uint32_t kTransparent = 0xFF00FF;

// Skips white space and '#' comments of a PPM header.
int NextHeaderChar(FILE* f)
{
    int c = fgetc(f);
    while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (c == '#')
            while (c != '\n' && c != EOF)
                c = fgetc(f);
        c = fgetc(f);
    }
    return c;
}

bool ReadHeaderNumber(FILE* f, int& value)
{
    int c = NextHeaderChar(f);
    if (c < '0' || c > '9')
        return false;
    value = 0;
    while (c >= '0' && c <= '9') {
        if (value > 100000)
            return false;
        value = value * 10 + (c - '0');
        c = fgetc(f);
    }
    return true;  // the one white-space character after the number is consumed
}

bool ReadPpm(const wchar_t* path, Image& image)
{
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    int width = 0, height = 0, maxval = 0;
    if (fgetc(f.get()) != 'P' || fgetc(f.get()) != '6' || !ReadHeaderNumber(f.get(), width)
        || !ReadHeaderNumber(f.get(), height) || !ReadHeaderNumber(f.get(), maxval))
        return false;
    if (maxval != 255 || width != height || width < 1 || width > 256)
        return false;
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    if (fread(rgb.data(), 1, rgb.size(), f.get()) != rgb.size())
        return false;
    image.size = width;
    image.pixels.resize(size_t(width) * height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
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

// The image as it is stored in the file: header, palette, colour rows and
// mask rows, both bottom row first. Empty when the colours don't fit.
std::string EncodeImage(const Image& image)
{
    const int n = image.size;
    std::vector<uint32_t> palette{0x000000};  // transparent pixels use entry 0
    std::vector<unsigned char> index(image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t c = image.pixels[i];
        if (c == kTransparent)
            continue;
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

    const size_t colourRow = RowBytes(n * 4), maskRow = RowBytes(n);
    std::string out;
    Put32(out, 40);
    Put32(out, n);
    Put32(out, 2 * n);  // colour and mask rows together
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, BI_RGB);
    Put32(out, uint32_t((colourRow + maskRow) * n));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
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
    for (int y = n - 1; y >= 0; --y) {
        std::string row(maskRow, '\0');
        for (int x = 0; x < n; ++x)
            if (image.pixels[size_t(y) * n + x] == kTransparent)
                row[x / 8] |= char(0x80 >> (x % 8));
        out += row;
    }
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fputs("usage: mkicon OUT.ico IMAGE.ppm [IMAGE.ppm ...]\n", stderr);
        return 2;
    }
    std::vector<std::string> images;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        Image image;
        if (!ReadPpm(argv[i], image)) {
            fwprintf(stderr, L"mkicon: %ls: not a square 8-bit binary PPM\n", argv[i]);
            return 1;
        }
        std::string encoded = EncodeImage(image);
        if (encoded.empty()) {
            fwprintf(stderr, L"mkicon: %ls: more than 16 colours\n", argv[i]);
            return 1;
        }
        images.push_back(std::move(encoded));
        sizes.push_back(image.size);
    }

    std::string file;
    Put16(file, 0);
    Put16(file, 1);  // icon, not cursor
    Put16(file, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file += char(sizes[i] == 256 ? 0 : sizes[i]);
        file += char(sizes[i] == 256 ? 0 : sizes[i]);
        file += char(16);
        file += '\0';
        Put16(file, 1);
        Put16(file, 4);
        Put32(file, uint32_t(images[i].size()));
        Put32(file, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::string& image : images)
        file += image;

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
