// Conversions between 8-bit text in a Windows code page and wide text.
#pragma once
#include <cstddef>

constexpr int kSharedTextSize = 1000;

// Whole NUL-terminated input; dest must hold strlen(src) + 1 wide characters.
int ToWide(const char* src, wchar_t* dest, int codePage);
// Exactly byteCount bytes (zeros included); dest must hold byteCount + 1.
int ToWideCount(const char* src, wchar_t* dest, int byteCount, int codePage);
// Results live in shared buffers until the next call of the same function.
const wchar_t* ToWideShared(const char* src, int codePage);
const char* ToNarrowShared(const wchar_t* src, int codePage);
// dest must hold 2 * wcslen(src) + 1 bytes.
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
