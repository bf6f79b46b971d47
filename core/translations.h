// A translation field holds a word's translations as one list, the items
// separated by a comma and a space.
#pragma once
#include <string>
#include <vector>

// Text without its leading and trailing blanks; a tab belongs to the word.
std::wstring TrimSpaces(const std::wstring& text);
// The parts of a translation list: split at commas, blanks stripped, empty parts dropped.
std::vector<std::wstring> TranslationParts(const std::wstring& translation);
// The translation list as stored: the typed text split at commas, every item
// stripped of blanks, empty items dropped, the rest joined with ", ". Every
// item is kept: a list too long for its record is refused whole by the
// caller, never shortened. "" for none.
std::wstring NormaliseTranslationList(const std::wstring& typed);
