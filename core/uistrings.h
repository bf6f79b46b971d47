// The interface strings: every user-visible text, read from a scrambled file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum StringId : int {
#define X(name) Txt_##name,
#include "core/string_names.h"
#undef X
    Txt_Count
};

// Entry names in lookup order, indexed by StringId.
extern const char* const kStringNames[Txt_Count];

enum class StringsMode { Wordbook, Setup };

constexpr int kScrambleKeyLength = 29;
// Fills key with the 29 non-zero key bytes (built at run time, never stored whole).
void BuildScrambleKey(unsigned char key[kScrambleKeyLength]);
void Scramble(unsigned char* data, size_t size);    // plain -> stored
void Unscramble(unsigned char* data, size_t size);  // stored -> plain

// Loads the strings file chosen by language.ini (Wordbook) or language.in_
// (Setup, which also tries installDir\strings\). Fatal on a missing file or entry.
void LoadUiStrings(StringsMode mode, const wchar_t* installDir = nullptr);
// Loads from an explicit path; returns false with the missing entry name in
// *missing (or empty when the file is unreadable) instead of being fatal.
bool LoadUiStringsFromFile(const wchar_t* path, std::string* missing);
// [Dictionary] Character of dir\language.in_ (default 0): the installer's
// character set, known before its strings are loaded.
int ReadInstallerCharset(const std::wstring& dir);

void FreeUiStrings();

// Value of an entry looked up at load time (never null after a successful load).
const wchar_t* Str(StringId id);
// Points an entry at another text (tests, and values derived after loading).
void OverrideString(StringId id, const wchar_t* value);
// True when format's printf conversions, in order and without flags, width or
// precision ("%%" not counted), are exactly conversions, e.g. L"%s%d". An entry
// used as a format whose value fails this gets its built-in English text.
bool FormatConversionsAre(const wchar_t* format, const wchar_t* conversions);
// The conversions the programs pass with the entry, or null when it isn't used as a format.
const wchar_t* FormatConversionsOf(StringId id);

extern int g_uiCharset;   // character-set number of the interface
extern int g_uiCodePage;  // its code page
// Face names for the character-set numbers 600 + i.
extern std::vector<const wchar_t*> g_foreignFontFaces;
