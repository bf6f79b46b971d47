#include "tools/wbtool/wbtool.h"
#include <algorithm>
#include <unordered_map>

std::wstring FoldTypography(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case 0x0132: out += L"IJ"; break;
        case 0x0133: out += L"ij"; break;
        case 0x2010:
        case 0x2011: out += L'-'; break;
        case 0x00A0:
        case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004: case 0x2005:
        case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A:
        case 0x202F:
        case 0x205F:
        case 0x3000: out += L' '; break;
        case 0x00AD:
        case 0x200B: case 0x200C: case 0x200D: case 0x200E: case 0x200F:
        case 0x202A: case 0x202B: case 0x202C: case 0x202D: case 0x202E:
        case 0x2060:
        case 0xFEFF: break;
        default: out += c; break;
        }
    }
    return CollapseSpaces(out);
}

std::vector<SourceEntry> MergeEntries(std::vector<SourceEntry> entries, ImportStats* stats)
{
    std::vector<SourceEntry> merged;
    std::unordered_map<std::wstring, size_t> where;
    where.reserve(entries.size());
    for (auto& e : entries) {
        std::wstring word = FoldTypography(e.word);
        if (word.empty()) {
            ++stats->unreadable;
            continue;
        }
        auto [it, fresh] = where.emplace(word, merged.size());
        if (fresh)
            merged.push_back({std::move(word), {}});
        else
            ++stats->merged;
        auto& items = merged[it->second].items;
        for (auto& item : e.items) {
            std::wstring folded = FoldTypography(item);
            if (!folded.empty() && std::find(items.begin(), items.end(), folded) == items.end())
                items.push_back(std::move(folded));
        }
    }
    std::vector<SourceEntry> kept;
    kept.reserve(merged.size());
    for (auto& e : merged) {
        if (e.items.empty())
            ++stats->noTranslation;
        else
            kept.push_back(std::move(e));
    }
    return kept;
}
