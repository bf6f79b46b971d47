#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

PairCatalogue g_catalogue;

const wchar_t* PairWordBookFile(const LanguagePair* p) { return p->longName[0] ? p->longWordBookFile : p->wordBookFile; }
const wchar_t* PairListFile(const LanguagePair* p) { return p->longName[0] ? p->longListFile : p->listFile; }
const wchar_t* PairSourceIcon(const LanguagePair* p) { return p->longName[0] ? p->longSourceIcon : p->sourceIcon; }
const wchar_t* PairTargetIcon(const LanguagePair* p) { return p->longName[0] ? p->longTargetIcon : p->targetIcon; }

const LanguagePair* FindMirroredPair(const LanguagePair* pair)
{
    for (const auto& entry : g_catalogue.entries)
        if (wcscmp(entry->sourceName, pair->targetName) == 0 && wcscmp(entry->targetName, pair->sourceName) == 0)
            return entry.get();
    return nullptr;
}

// Copies into a fixed field, cutting what does not fit.
template <size_t N>
static void SetField(wchar_t (&field)[N], std::wstring_view text)
{
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}

bool IsCatalogueSeparator(const std::string& line) { return line.empty() || line[0] == '#'; }

bool IsCatalogueMarker(const std::string& line, const wchar_t* marker, int codePage)
{
    return EqualFoldAZ(WidenText(line, codePage), std::wstring(marker));
}

std::vector<std::string> SplitCatalogueFields(const std::string& line)
{
    // A comma is never the trail byte of a double-byte character, so the
    // 8-bit line can be split before it is converted.
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        size_t end = line.find(',', i);
        if (end == std::string::npos)
            end = line.size();
        if (end > i)
            fields.push_back(line.substr(i, end - i));
        i = end + 1;
    }
    return fields;
}

std::vector<CatalogueSection> FindCatalogueSections(const std::vector<std::string>& lines, const wchar_t* marker,
                                                    int codePage)
{
    std::vector<CatalogueSection> sections;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsCatalogueSeparator(lines[i])) {
            if (inSection)
                sections.back().end = i;
            inSection = false;
        } else if (!inSection && IsCatalogueMarker(lines[i], marker, codePage)) {
            sections.push_back({i, lines.size()});
            inSection = true;
        }
    }
    return sections;
}

// Hands take() every line of each section of the marker; take() returns
// false to end that section early. False when the file can't be read.
template <typename Take>
static bool ForEachSectionLine(StringId marker, Take take)
{
    // Binary: a Ctrl-Z byte must not end the file early.
    UniqueFile f(_wfopen(Str(Txt_FilenameIni), L"rb"));
    if (!f)
        return false;
    std::vector<std::string> lines;
    std::string line;
    while (ReadTextLine(f.get(), line))
        lines.push_back(line);
    if (ferror(f.get()))
        return false;
    for (const CatalogueSection& section : FindCatalogueSections(lines, Str(marker), g_uiCodePage))
        for (size_t i = section.marker + 1; i < section.end; ++i)
            if (!take(lines[i]))
                break;
    return true;
}

static int HasSortTableFor(const wchar_t* languageName)
{
    std::wstring path = std::wstring(L"tables\\") + languageName + L".stb";
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    return f ? 1 : 0;
}

static std::wstring Stem(std::wstring_view name) { return std::wstring(name.substr(0, 3)); }

// Fills a read entry from the fields of its line; returns its short stem.
static std::wstring FillReadEntry(LanguagePair* e, const std::vector<std::wstring>& fields)
{
    const std::wstring mainLanguage = Str(Txt_MainLanguage);
    const std::wstring& name = fields[0];
    e->sourceCharset = fields.size() > 2 ? _wtoi(fields[2].c_str()) : 0;
    e->sourceCodePage = CharsetToCodePage(e->sourceCharset);
    e->targetCharset = _wtoi(Str(Txt_CharactersetCode));
    e->targetCodePage = CharsetToCodePage(e->targetCharset);
    SetField(e->sourceLocale, fields.size() > 1 ? fields[1] : L"english");
    SetField(e->sourceName, name);
    SetField(e->targetName, mainLanguage);

    std::wstring stem = Stem(name), mainStem = Stem(mainLanguage);
    SetField(e->wordBookFile, stem + L"_" + mainStem + L".wb");
    SetField(e->listFile, stem + L"_" + mainStem + L".ls");
    SetField(e->sourceIcon, stem + L".ico");
    SetField(e->targetIcon, mainStem + L".ico");

    if (fields.size() > 3) {
        SetField(e->longName, fields[3]);
        std::wstring longName = e->longName;
        SetField(e->sourceName, longName);
        SetField(e->longWordBookFile, longName + L"_" + mainLanguage + L".wb");
        SetField(e->longListFile, longName + L"_" + mainLanguage + L".ls");
        SetField(e->longSourceIcon, longName + L".ico");
        SetField(e->longTargetIcon, mainLanguage + L".ico");
    }
    e->hasSortTable = HasSortTableFor(e->sourceName);
    return stem;
}

static void FillMirror(LanguagePair* m, const LanguagePair& r, const std::wstring& stem)
{
    const std::wstring mainLanguage = Str(Txt_MainLanguage);
    std::wstring mainStem = Stem(mainLanguage);
    m->sourceCharset = _wtoi(Str(Txt_CharactersetCode));
    m->sourceCodePage = CharsetToCodePage(m->sourceCharset);
    m->targetCharset = r.sourceCharset;
    m->targetCodePage = r.sourceCodePage;
    SetField(m->sourceLocale, Str(Txt_Locale));
    SetField(m->sourceName, r.targetName);
    SetField(m->targetName, r.sourceName);
    SetField(m->sourceIcon, r.targetIcon);
    SetField(m->targetIcon, r.sourceIcon);
    // Built from the stems themselves: a name shorter than three characters
    // would otherwise drag the icon's dot into the file name.
    SetField(m->wordBookFile, mainStem + L"_" + stem + L".wb");
    SetField(m->listFile, mainStem + L"_" + stem + L".ls");
    if (r.longName[0]) {
        std::wstring longName = r.longName;
        SetField(m->longWordBookFile, mainLanguage + L"_" + longName + L".wb");
        SetField(m->longListFile, mainLanguage + L"_" + longName + L".ls");
        SetField(m->longSourceIcon, mainLanguage + L".ico");
        SetField(m->longTargetIcon, longName + L".ico");
        SetField(m->longName, longName);
    }
    m->hasSortTable = HasSortTableFor(m->sourceName);
}

template <size_t N>
static int Room(const wchar_t (&)[N]) { return static_cast<int>(N) - 1; }

int LongestLongName()
{
    const LanguagePair e{};
    // "_", the main language and ".wb" or ".ls"; ".ico".
    const int bookAffix = static_cast<int>(wcslen(Str(Txt_MainLanguage))) + 4, iconAffix = 4;
    int longest = std::min({Room(e.longName), Room(e.sourceName), Room(e.longWordBookFile) - bookAffix,
                            Room(e.longListFile) - bookAffix, Room(e.longSourceIcon) - iconAffix});
    return longest > 0 ? longest : 0;
}

static std::string LineEndOf(const std::string& raw)
{
    if (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0)
        return "\r\n";
    return !raw.empty() && raw.back() == '\n' ? "\n" : "";
}

// The name a pair line goes by: its long name, else its language's.
static std::wstring LineName(const std::string& line)
{
    std::vector<std::string> fields = SplitCatalogueFields(line);
    if (fields.empty())
        return L"";
    return WidenText(fields.size() > 3 ? fields[3] : fields[0], g_uiCodePage);
}

bool PlaceUserEntryLine(const std::string& before, const std::string& entry, std::string* after)
{
    std::vector<std::string> raws, lines;
    for (size_t at = 0; at < before.size();) {
        size_t end = before.find('\n', at);
        end = end == std::string::npos ? before.size() : end + 1;
        raws.push_back(before.substr(at, end - at));
        std::string line = raws.back();
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
        at = end;
    }
    auto done = [&]() {
        after->clear();
        for (const std::string& raw : raws)
            *after += raw;
        return true;
    };
    const std::wstring name = LineName(entry);
    for (const CatalogueSection& section : FindCatalogueSections(lines, Str(Txt_IniLanguage), g_uiCodePage))
        for (size_t i = section.marker + 1; i < section.end; ++i)
            if (EqualFoldAZ(LineName(lines[i]), name)) {
                raws[i] = entry + LineEndOf(raws[i]);
                return done();
            }

    size_t marker = 0;
    while (marker < lines.size() && !IsCatalogueMarker(lines[marker], Str(Txt_IniLanguage), g_uiCodePage))
        ++marker;
    if (marker == lines.size())
        return false;
    std::string style = LineEndOf(raws[marker]);
    if (style.empty())
        style = "\n";
    for (size_t k = marker + 1; k < lines.size(); ++k) {
        if (lines[k].size() > 1 && lines[k][0] != '#')
            continue;
        std::string end = LineEndOf(raws[k]).empty() ? style : LineEndOf(raws[k]);
        if (lines[k].size() <= 1)
            raws[k] = entry + end + end;
        else
            raws.insert(raws.begin() + static_cast<std::ptrdiff_t>(k), entry + end + end);
        return done();
    }
    // The section runs to the end of the file: the entry ends it.
    if (LineEndOf(raws.back()).empty())
        raws.back() += style;
    raws.push_back(entry + style + style);
    return done();
}

int LoadCatalogue()
{
    g_catalogue.entries.clear();
    g_catalogue.current = nullptr;
    std::vector<std::wstring> stems;
    bool ok = ForEachSectionLine(Txt_IniLanguage, [&](const std::string& line) {
        std::vector<std::wstring> fields;
        for (const std::string& field : SplitCatalogueFields(line))
            fields.push_back(WidenText(field, g_uiCodePage));
        if (fields.empty())
            return true;  // a line of commas alone names nothing
        auto entry = std::make_unique<LanguagePair>();
        stems.push_back(FillReadEntry(entry.get(), fields));
        g_catalogue.entries.push_back(std::move(entry));
        return true;
    });
    if (!ok || g_catalogue.entries.empty()) {
        g_catalogue.entries.clear();
        return -1;
    }

    size_t readCount = g_catalogue.entries.size();
    for (size_t i = 0; i < readCount; ++i) {
        auto mirror = std::make_unique<LanguagePair>();
        FillMirror(mirror.get(), *g_catalogue.entries[i], stems[i]);
        g_catalogue.entries.push_back(std::move(mirror));
    }
    g_catalogue.current = g_catalogue.entries[readCount].get();
    return 0;
}

int SelectFromCatalogueFile()
{
    bool ok = ForEachSectionLine(Txt_IniSelected, [](const std::string& line) {
        std::wstring name = WidenText(line, g_uiCodePage);
        for (auto& e : g_catalogue.entries) {
            if ((e->longWordBookFile[0] && EqualFoldAZ(name.c_str(), e->longWordBookFile)) ||
                EqualFoldAZ(name.c_str(), e->wordBookFile)) {
                e->selected = 1;
                g_catalogue.current = e.get();
                return false;  // the first match ends the search in this section
            }
        }
        return true;
    });
    return ok ? 0 : -1;
}

void SelectPairByName(const wchar_t* name)
{
    if (!name || !*name)
        return;
    LanguagePair* cur = g_catalogue.current;
    if (cur && (StartsWithFoldAZ(cur->targetName, name) || StartsWithFoldAZ(cur->sourceName, name)))
        return;
    for (auto& e : g_catalogue.entries) {
        if (StartsWithFoldAZ(e->sourceName, name)) {
            if (cur)
                cur->selected = 0;
            e->selected = 1;
            g_catalogue.current = e.get();
            return;
        }
    }
}

static int SelectedMarkerLength()
{
    int n = _wtoi(Str(Txt_IniSelectedLen));
    // A missing length would make every line look like the marker.
    return n > 0 ? n : static_cast<int>(wcslen(Str(Txt_IniSelected)));
}

int RecordSelectionInCatalogueFile(const LanguagePair* pair)
{
    const wchar_t* iniPath = Str(Txt_FilenameIni);
    const wchar_t* tmpPath = L"tmp.ini";
    // A read-only catalogue is kept as Windows keeps it; Wine would replace it.
    DWORD attributes = GetFileAttributesW(iniPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return -1;
    // Both binary, so every line the rewrite does not replace is copied byte for byte.
    UniqueFile in(_wfopen(iniPath, L"rb"));
    if (!in)
        return -1;
    UniqueFile out(_wfopen(tmpPath, L"wb"));
    if (!out)
        return -1;

    const std::string marker = NarrowText(Str(Txt_IniSelected), g_uiCodePage);
    const size_t markerLen = static_cast<size_t>(SelectedMarkerLength());
    const std::string selection = NarrowText(PairWordBookFile(pair), g_uiCodePage);
    auto put = [&](const std::string& bytes) { return WriteToFile(out.get(), bytes.data(), bytes.size()); };

    bool ok = true;
    bool armed = false;      // the line after the marker is the selection
    std::string lineEnd;     // the marker line's own line end
    std::string line;
    while (ok && ReadRawLine(in.get(), line)) {
        if (armed) {
            armed = false;
            ok = put(selection + lineEnd);
            // Without a selection line yet, the separator or section header
            // after the marker stays.
            if (line[0] != '\n' && line[0] != '\r' && line[0] != '#' && line[0] != '[')
                continue;
        } else if (CompareFoldAZ(line.c_str(), marker.c_str(), markerLen) == 0) {
            armed = true;
            lineEnd = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0 ? "\r\n" : "\n";
            // A marker on the last line, without a line end, gets one.
            if (line.back() != '\n')
                line += lineEnd;
        }
        ok = ok && put(line);
    }
    // The marker as the last line: the choice still goes in after it.
    if (ok && armed)
        ok = put(selection + lineEnd);
    ok = ok && !ferror(in.get()) && FlushFileToDisk(out.get());
    in.reset();
    ok = CloseWrittenFile(out) && ok;
    if (ok)
        ok = ReplaceFileAtomic(tmpPath, iniPath);
    if (!ok) {
        _wremove(tmpPath);
        return -1;
    }
    return 0;
}
