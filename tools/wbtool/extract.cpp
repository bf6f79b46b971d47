// Reading FreeDict definitions in their dictd text layout:
//   headword /pronunciation/ <pos>
//   translation, translation            (or "1. translation", "2. ..." per sense)
//   gloss in the source language        (some dictionaries, one line per sense)
//      Note: ... / Synonyms: {...} / see: {...} / indented examples
#include "tools/wbtool/wbtool.h"
#include <windows.h>

static bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

static bool HasLetterOrDigit(std::wstring_view s)
{
    if (s.empty())
        return false;
    std::vector<WORD> types(s.size());
    if (!GetStringTypeW(CT_CTYPE1, s.data(), static_cast<int>(s.size()), types.data()))
        return false;
    for (WORD t : types)
        if (t & (C1_ALPHA | C1_DIGIT))
            return true;
    return false;
}

std::wstring StripNotes(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t open = text[i], close;
        switch (open) {
        case L'(': close = L')'; break;
        case L'[': close = L']'; break;
        case L'<': close = L'>'; break;
        case L'{': close = L'}'; break;
        default: close = 0; break;
        }
        if (close) {
            int depth = 0;
            size_t j = i;
            for (; j < text.size(); ++j) {
                if (text[j] == open)
                    ++depth;
                else if (text[j] == close && --depth == 0)
                    break;
            }
            // An opener without its closer is plain text, not the start of a note.
            if (j < text.size()) {
                i = j;
                // An abbreviation glued to a tag ("illustration <n>ill.") goes with it.
                if (open == L'<')
                    while (i + 1 < text.size() && !IsBlank(text[i + 1]) && text[i + 1] != L',' && text[i + 1] != L';')
                        ++i;
                continue;
            }
        }
        out += open;
    }
    return out;
}

// The database maker's folded form of a headword: lower case, letters, digits
// and single spaces only.
static std::wstring FoldLikeIndex(std::wstring_view text)
{
    std::wstring lower(text);
    if (!lower.empty())
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    std::vector<WORD> types(lower.size() + 1);
    if (!lower.empty())
        GetStringTypeW(CT_CTYPE1, lower.data(), static_cast<int>(lower.size()), types.data());
    std::wstring kept;
    for (size_t i = 0; i < lower.size(); ++i) {
        if (types[i] & (C1_ALPHA | C1_DIGIT))
            kept += lower[i];
        else if (IsBlank(lower[i]))
            kept += L' ';
    }
    return CollapseSpaces(kept);
}

// Cuts trailing " <...>" tags and " (...)" groups (alternative spellings with
// their own pronunciation) off a line that has no pronunciation left.
static std::wstring_view CutTrailingTags(std::wstring_view line)
{
    for (;;) {
        while (!line.empty() && IsBlank(line.back()))
            line.remove_suffix(1);
        if (line.empty())
            return line;
        wchar_t close = line.back();
        wchar_t open = close == L'>' ? L'<' : close == L')' ? L'(' : 0;
        if (!open)
            return line;
        int depth = 0;
        size_t i = line.size();
        while (i-- > 0) {
            if (line[i] == close)
                ++depth;
            else if (line[i] == open && --depth == 0)
                break;
        }
        if (i == static_cast<size_t>(-1) || i == 0 || !IsBlank(line[i - 1]))
            return line;
        line = line.substr(0, i);
    }
}

std::wstring ExtractHeadword(std::wstring_view firstLine, std::wstring_view indexHeadword)
{
    std::wstring line = CollapseSpaces(firstLine);
    std::wstring folded = FoldLikeIndex(indexHeadword);
    // The pronunciation starts at one of the " /"; headwords may hold " / " themselves
    // ("Abflachung / Abplattung"), so the index's folded form decides which.
    std::vector<size_t> cuts;
    for (size_t p = line.find(L" /"); p != std::wstring::npos; p = line.find(L" /", p + 1))
        cuts.push_back(p);
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        std::wstring candidate = line.substr(0, *it);
        if (!candidate.empty() && FoldLikeIndex(candidate) == folded)
            return candidate;
    }
    std::wstring bare(CutTrailingTags(line));
    if (!bare.empty() && FoldLikeIndex(bare) == folded)
        return bare;
    // Abbreviations are indexed under their short form but defined under the
    // long one: the text before the first pronunciation is the headword.
    if (!cuts.empty() && cuts.front() > 0)
        return line.substr(0, cuts.front());
    if (!bare.empty())
        return bare;
    return CollapseSpaces(indexHeadword);
}

// "12. text" at the start of a line: the sense number and the text after it.
static bool SenseNumber(std::wstring_view line, int* number, std::wstring_view* rest)
{
    size_t i = 0;
    int n = 0;
    while (i < line.size() && i < 3 && line[i] >= L'0' && line[i] <= L'9')
        n = n * 10 + (line[i++] - L'0');
    if (i == 0 || i >= line.size() || line[i] != L'.')
        return false;
    if (i + 1 < line.size() && !IsBlank(line[i + 1]))
        return false;
    *number = n;
    *rest = line.substr(i + 1);
    return true;
}

static bool StartsAtMargin(std::wstring_view line)
{
    return !line.empty() && !IsBlank(line[0]);
}

static void AddTranslationLine(std::wstring_view line, std::vector<std::wstring>* items)
{
    std::wstring text = CollapseSpaces(line);
    // Some conversions leave the next sense's number at the end: "issue 2.".
    size_t dot = text.size();
    if (dot >= 3 && text[dot - 1] == L'.') {
        size_t i = dot - 1;
        while (i > 0 && text[i - 1] >= L'0' && text[i - 1] <= L'9')
            --i;
        if (i < dot - 1 && i > 0 && text[i - 1] == L' ')
            text.resize(i - 1);
    }
    for (auto& item : SplitTranslationItems(StripNotes(text))) {
        // Leftover punctuation ("…") and stray pronunciations are no translations.
        if (!HasLetterOrDigit(item) || (item.size() >= 2 && item.front() == L'/' && item.back() == L'/'))
            continue;
        items->push_back(std::move(item));
    }
}

SourceEntry ExtractFreeDictEntry(std::wstring_view definition, std::wstring_view indexHeadword)
{
    std::vector<std::wstring_view> lines;
    while (!definition.empty()) {
        size_t eol = definition.find(L'\n');
        std::wstring_view line = definition.substr(0, eol);
        if (!line.empty() && line.back() == L'\r')
            line.remove_suffix(1);
        lines.push_back(line);
        definition = eol == std::wstring_view::npos ? std::wstring_view() : definition.substr(eol + 1);
    }
    SourceEntry entry;
    entry.word = ExtractHeadword(lines.empty() ? std::wstring_view() : lines[0], indexHeadword);
    // Only the first line of a sense holds translations; what follows it (glosses,
    // notes, examples, references) is left out. Sense numbers must run 1, 2, 3...
    // because glosses may start with a number of their own ("3. (osoba) lp").
    int expected = 1;
    for (size_t i = 1; i < lines.size(); ++i) {
        int number;
        std::wstring_view rest;
        if (StartsAtMargin(lines[i]) && SenseNumber(lines[i], &number, &rest) && number == expected) {
            ++expected;
            if (!CollapseSpaces(rest).empty()) {
                AddTranslationLine(rest, &entry.items);
            } else if (i + 1 < lines.size() && StartsAtMargin(lines[i + 1]) &&
                       !SenseNumber(lines[i + 1], &number, &rest)) {
                AddTranslationLine(lines[i + 1], &entry.items);
            }
        } else if (i == 1) {
            // The unnumbered first sense; a label in brackets may indent it by one.
            std::wstring_view line = lines[1];
            if (StartsAtMargin(line) || (line.size() > 1 && line[0] == L' ' && line[1] == L'['))
                AddTranslationLine(line, &entry.items);
        }
    }
    return entry;
}
