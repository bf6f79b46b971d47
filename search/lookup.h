// What the search and translate windows share: the height of their frames,
// clamping the top row, the clipboard in a language's code page,
// pronunciation files and the word at the caret.
#pragma once
#include "core/translations.h"
#include <windows.h>
#include <string>
#include <vector>

// The caption and menu bar heights the windows' design heights add, at a
// dpi: the system's own at its dpi, in proportion at another.
int CaptionAndMenuHeight(int dpi);

// The top row after a move: within 0 to max(0, count - rows), and a top too
// near the end shows the last full page instead.
int ClampTop(int top, int count, int rows);

// The thumb's final position after SB_THUMBPOSITION: the message carries
// only 16 bits, a big word book's range needs more.
int ThumbPosition(HWND bar, int messagePosition);

// The clipboard's plain 8-bit text (up to its first zero or the end of its
// block); false when it offers none.
bool ReadClipboardBytes(HWND owner, std::string* bytes);
// The same converted from a code page and cut to at most limit characters at
// a character boundary.
bool ReadClipboardText(HWND owner, int codePage, size_t limit, std::wstring* text);
// Puts text on the clipboard as plain 8-bit text in a code page.
bool WriteClipboardText(HWND owner, const std::wstring& text, int codePage);

// sound\<language>\<word>.wav; "" for a word that could name a file outside
// the language's folder (separators, a drive colon, "..") or none at all.
std::wstring SoundFilePath(const wchar_t* language, const std::wstring& word);

// Characters that end a word in a text: codes 0-38, 40-44, 46-64 and 91-96.
bool IsWordSeparator(wchar_t c);
// The word around index k of text (at most maxChars characters); "" when
// the caret is on a separator with no word behind it.
std::wstring WordAtCaret(const std::wstring& text, size_t k, size_t maxChars = 49);
