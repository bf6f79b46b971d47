// The language-pair catalogue read from DICT.INI: both directions of every
// installed word book, and which one is current.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct LanguagePair {
    int menuId;
    int hasSortTable;
    int sourceCharset;
    int targetCharset;
    int sourceCodePage;
    int targetCodePage;
    short selected;
    wchar_t sourceName[100];
    wchar_t targetName[100];
    wchar_t wordBookFile[13];
    wchar_t listFile[13];
    wchar_t sourceIcon[13];
    wchar_t targetIcon[13];
    wchar_t sourceLocale[21];  // 20 characters: "portuguese-brazilian" is one of the names
    wchar_t longWordBookFile[205];
    wchar_t longListFile[205];
    wchar_t longSourceIcon[100];
    wchar_t longTargetIcon[100];
    wchar_t longName[101];
};

// Entries read from the file in file order, then their mirrors in the same order.
struct PairCatalogue {
    std::vector<std::unique_ptr<LanguagePair>> entries;
    LanguagePair* current = nullptr;
    int count() const { return static_cast<int>(entries.size()); }
};

extern PairCatalogue g_catalogue;

inline LanguagePair* CurrentPair() { return g_catalogue.current; }
// The opposite direction of pair (source and target swapped), or null.
const LanguagePair* FindMirroredPair(const LanguagePair* pair);
// The names a pair's files go by: the long ones when it has a long name.
const wchar_t* PairWordBookFile(const LanguagePair* p);
const wchar_t* PairListFile(const LanguagePair* p);
const wchar_t* PairSourceIcon(const LanguagePair* p);
const wchar_t* PairTargetIcon(const LanguagePair* p);

// DICT.INI's lines as both programs read them: a separator (empty, or "#"
// first) ends a section; a marker line begins one; a pair line holds up to
// four fields separated by commas, runs of commas counting as one.
bool IsCatalogueSeparator(const std::string& line);
bool IsCatalogueMarker(const std::string& line, const wchar_t* marker, int codePage);
std::vector<std::string> SplitCatalogueFields(const std::string& line);
// The sections a marker begins in the file's lines (without line ends): the
// marker's line and the end of the section's lines (its separator, or the
// end of the file). Inside a section every line is one of its lines.
struct CatalogueSection {
    size_t marker;
    size_t end;
};
std::vector<CatalogueSection> FindCatalogueSections(const std::vector<std::string>& lines, const wchar_t* marker,
                                                    int codePage);

// The most characters a user word book's long name may have, so that every
// name made of it (display name, word-book, list and icon names of both
// directions) fits its field uncut.
int LongestLongName();
// before, DICT.INI's bytes, with a user word book's entry line put in, into
// *after: in place of a section line that already goes by the entry's name,
// so that a retry never adds a second; else at the end of the first language
// section, where its closing line (empty, or of one character) gives way to
// the entry and an empty line, and a comment stays after them; at the end of
// the file when the section runs to it. Every other byte stays. False when
// the file has no language section.
bool PlaceUserEntryLine(const std::string& before, const std::string& entry, std::string* after);

int LoadCatalogue();
int SelectFromCatalogueFile();
void SelectPairByName(const wchar_t* name);
// Rewrites DICT.INI (through tmp.ini) with the pair's word book as the
// selection; 0, or -1 with DICT.INI as it was.
int RecordSelectionInCatalogueFile(const LanguagePair* pair);
