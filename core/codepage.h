// Conversions between 8-bit text in a Windows code page and wide text.
#pragma once
#include <cstddef>
#include <string>

constexpr int kSharedTextSize = 1000;

// Exactly byteCount bytes (zeros included); dest must hold byteCount + 1.
int ToWideCount(const char* src, wchar_t* dest, int byteCount, int codePage);
// The result lives in a shared buffer until the next call.
const wchar_t* ToWideShared(const char* src, int codePage);
// dest must hold 3 * wcslen(src) + 1 bytes (UTF-8 takes up to 3 per unit).
void ToNarrow(const wchar_t* src, char* dest, int codePage);

// Converts into a fixed field of fieldSize bytes (terminator included), cutting
// at a character boundary so a double-byte character is never split.
// Returns the number of bytes stored, without the terminator.
int ToNarrowField(const wchar_t* src, char* field, int fieldSize, int codePage);
// Converts at most fieldSize - 1 wide characters into a wide field.
int ToWideField(const char* src, int srcBytes, wchar_t* field, int fieldSize, int codePage);

int CharsetToCodePage(int charset);

// True when every character of src survives a round trip through the code page.
bool FitsCodePage(const wchar_t* src, int codePage);
// The bytes text takes in the code page, without a terminator; -1 when the
// code page can't hold every character of it as it stands.
int CodePageBytes(const wchar_t* text, int codePage);

// Whole texts of any length, for files of text (catalogue, scripts).
std::wstring WidenText(const std::string& text, int codePage);
std::string NarrowText(const std::wstring& text, int codePage);

// Length of the longest prefix of text[0..len) of at most limit bytes that
// ends on a character boundary of the code page (double-byte or UTF-8).
int CutAtCharBoundary(const char* text, int len, int limit, int codePage);
