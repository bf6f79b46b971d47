// The catalogue files: LANGUAGE.CF names the pairs to install, DICT.INI lists
// the installed ones for wordbook. DICT.INI is only ever replaced whole.
#include "setup/setup.h"
#include "setup/wordlist.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

const char kDictEndMarker[] = "# --- EOF --------------------------------------------------------";
static_assert(sizeof kDictEndMarker == 10 + 56 + 1, "\"# --- EOF \" and 56 hyphens");

const wchar_t kTmpIni[] = L"tmp.ini";

std::wstring DictPath() { return Str(Txt_FilenameIni); }
std::string Ui8(StringId id) { return NarrowText(Str(id), g_interfaceCodePage); }

// A pair line goes by its long name, or by its language name when it has none.
std::string LineName(const std::string& line)
{
    auto fields = SplitCatalogueFields(line);
    if (fields.size() >= 4)
        return fields[3];
    return fields.empty() ? std::string() : fields[0];
}

bool IsEndMarker(const std::string& line) { return line.compare(0, 9, kDictEndMarker, 9) == 0; }

// A line of DICT.INI as read, so that a rewrite can copy it byte for byte.
struct IniLine {
    std::string raw;    // line end included
    std::string text;   // without it
};

// A line setup adds, with the line end the file had in text mode.
std::string NewLine(const std::string& text) { return text + "\r\n"; }

// False when DICT.INI can't be opened or read.
bool ReadDict(std::vector<IniLine>* lines)
{
    UniqueFile in(_wfopen(DictPath().c_str(), L"rb"));
    if (!in)
        return false;
    IniLine line;
    while (ReadRawLine(in.get(), line.raw)) {
        size_t end = line.raw.find_last_not_of("\r\n");
        line.text = line.raw.substr(0, end == std::string::npos ? 0 : end + 1);
        lines->push_back(line);
    }
    return !ferror(in.get());
}

std::vector<IniLine> ReadDictOrStop()
{
    std::vector<IniLine> lines;
    if (!ReadDict(&lines))
        SetupFatal(GetFileAttributesW(DictPath().c_str()) == INVALID_FILE_ATTRIBUTES ? L"Can't open DICT.INI"
                                                                                       : L"Can't read DICT.INI");
    return lines;
}

std::vector<std::string> RawLines(const std::vector<IniLine>& lines)
{
    std::vector<std::string> raws;
    for (const IniLine& line : lines)
        raws.push_back(line.raw);
    return raws;
}

// The sections wordbook reads its pairs from.
std::vector<CatalogueSection> CatalogueSections(const std::vector<IniLine>& lines)
{
    std::vector<std::string> texts;
    for (const IniLine& line : lines)
        texts.push_back(line.text);
    return FindCatalogueSections(texts, Str(Txt_IniLanguage), g_interfaceCodePage);
}

// Writes tmp.ini and puts it in DICT.INI's place; on any failure the old
// DICT.INI stays as it was and setup ends. A last line without a line end
// gets one when lines now follow it.
void WriteDict(const std::vector<std::string>& raws, const wchar_t* openFailure, const wchar_t* writeFailure)
{
    {
        UniqueFile probe(_wfopen(kTmpIni, L"wb"));
        if (!probe)
            SetupFatal(openFailure);
    }
    std::string bytes;
    for (size_t i = 0; i < raws.size(); ++i) {
        bytes += raws[i];
        if (i + 1 < raws.size() && !raws[i].empty() && raws[i].back() != '\n')
            bytes += raws[i].back() == '\r' ? "\n" : "\r\n";
    }
    if (!ReplaceFileContents(DictPath(), bytes, kTmpIni))
        SetupFatal(writeFailure);
    NoteWrittenFile(DictPath());
}

std::string PairLine(const PairGroup& g)
{
    return g.fields[0] + "," + g.fields[1] + "," + g.fields[2] + "," + g.fields[3];
}

void BuildReverseWordBook(const PairGroup& group)
{
    const std::wstring books = Str(Txt_PathLanguage);
    WordListJob job;
    job.inputPath = books + WidenText(group.inputFile, g_interfaceCodePage);
    job.outputPath = books + WidenText(group.outputFile, g_interfaceCodePage);
    job.tempPath = Str(Txt_Install_TaalTemp);
    // The table wordbook searches the reverse book by: its source language
    // is the main language, and tables go by the language's name.
    job.tablePath = std::wstring(L"tables\\") + Str(Txt_MainLanguage) + L".stb";
    job.foreignCodePage = CharsetToCodePage(atoi(group.fields[2].c_str()));
    job.mainCodePage = g_mainCodePage;
    job.keepOld = KeepReplacedWordBook;
    HCURSOR previous = g_setupWindow ? SetCursor(LoadCursorW(nullptr, IDC_WAIT)) : nullptr;
    std::wstring error;
    if (!BuildWordList(job, SetupProgress(), &error))
        SetupFatal(error.c_str());
    NoteWrittenFile(job.outputPath);
    if (g_setupWindow)
        SetCursor(previous);
    g_barY += 50;
}

// Reads LANGUAGE.CF whole; a malformed group is fatal, naming its line.
std::vector<PairGroup> ReadPairGroups(FILE* f)
{
    std::vector<PairGroup> groups;
    PairGroup group;
    std::string line;
    int number = 0, part = 0;
    while (ReadTextLine(f, line)) {
        ++number;
        // A lone Ctrl-Z is the end-of-file mark of old editors, no line.
        if (IsCatalogueSeparator(line) || line == "\x1A")
            continue;
        if (part == 0) {
            group = PairGroup{};
            group.line = number;
            auto fields = SplitCatalogueFields(line);
            if (fields.size() < 4)
                SetupFatal((L"LANGUAGE.CF, line " + std::to_wstring(number) +
                            L": a pair line needs four fields separated by commas").c_str());
            std::copy(fields.begin(), fields.begin() + 4, group.fields);
        } else if (part == 1) {
            group.inputFile = line;
        } else {
            group.outputFile = line;
            groups.push_back(group);
        }
        part = (part + 1) % 3;
    }
    if (ferror(f))
        SetupFatal(L"Can't read LANGUAGE.CF");
    if (part != 0)
        SetupFatal((L"LANGUAGE.CF, line " + std::to_wstring(group.line) +
                    L": the group ends before its two word-book file names").c_str());
    return groups;
}

} // namespace

void EnsureDictIni(const std::string& firstWordBook)
{
    if (GetFileAttributesW(DictPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::vector<std::string> raws;
        for (const std::string& text : {Ui8(Txt_Install_IniLine01), std::string(), Ui8(Txt_IniAddnew),
                                        Ui8(Txt_Install_IniLine03), std::string(), Ui8(Txt_IniSelected), firstWordBook,
                                        std::string(), Ui8(Txt_IniLanguage), std::string(), std::string(),
                                        std::string(kDictEndMarker)})
            raws.push_back(NewLine(text));
        WriteDict(raws, L"Can't create DICT.INI", L"Can't create DICT.INI");
    }
    if (g_detailedDisplay)
        g_textY += 25;
}

void RemovePairLines(const std::string& longName)
{
    std::vector<IniLine> lines = ReadDictOrStop();
    std::vector<bool> drop(lines.size());
    bool any = false;
    for (const CatalogueSection& s : CatalogueSections(lines))
        for (size_t i = s.marker + 1; i < s.end; ++i)
            if (lines[i].text.find(',') != std::string::npos && EqualFoldAZ(LineName(lines[i].text), longName))
                drop[i] = any = true;
    if (!any)
        return;
    std::vector<std::string> raws;
    for (size_t i = 0; i < lines.size(); ++i)
        if (!drop[i])
            raws.push_back(lines[i].raw);
    WriteDict(raws, L"Can't open TMP.INI", L"Can't write DICT.INI");
}

void AppendPairLine(const PairGroup& group)
{
    std::vector<IniLine> lines = ReadDictOrStop();
    std::vector<CatalogueSection> sections = CatalogueSections(lines);
    std::vector<std::string> raws = RawLines(lines);
    if (!sections.empty()) {
        // The new line goes at the end of the first block, where wordbook still sees it.
        size_t end = sections[0].end;
        raws.insert(raws.begin() + static_cast<std::ptrdiff_t>(end), NewLine(PairLine(group)));
        if (end == lines.size())
            raws.push_back(NewLine(""));
    } else {
        // A catalogue without its marker gets one, or the pair would be lost.
        if (!lines.empty() && !lines.back().text.empty())
            raws.push_back(NewLine(""));
        raws.push_back(NewLine(Ui8(Txt_IniLanguage)));
        raws.push_back(NewLine(PairLine(group)));
        raws.push_back(NewLine(""));
    }
    WriteDict(raws, L"Can't open TMP.INI", L"Can't write DICT.INI");
}

int CountCatalogueLines()
{
    std::vector<IniLine> lines;
    if (!ReadDict(&lines))
        return -1;
    std::vector<CatalogueSection> sections = CatalogueSections(lines);
    return sections.empty() ? 0 : static_cast<int>(sections[0].end - sections[0].marker - 1);
}

int SortCatalogueBlock()
{
    struct Slot {
        std::string raw;
        std::wstring name;
    };
    try {
        std::vector<IniLine> lines;
        if (!ReadDict(&lines))
            return -1;
        std::vector<CatalogueSection> sections = CatalogueSections(lines);
        if (sections.empty())
            return 0;
        const CatalogueSection block = sections[0];
        std::vector<Slot> slots;
        for (size_t i = block.marker + 1; i < block.end; ++i)
            slots.push_back({lines[i].raw, WidenText(LineName(lines[i].text), g_interfaceCodePage)});
        std::stable_sort(slots.begin(), slots.end(),
                         [](const Slot& a, const Slot& b) { return CompareByLocale(a.name.c_str(), b.name.c_str()) < 0; });

        std::vector<std::string> raws = RawLines(lines);
        for (size_t k = 0; k < slots.size(); ++k)
            raws[block.marker + 1 + k] = slots[k].raw;
        bool hasEndMarker = std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(block.end), lines.end(),
                                        [](const IniLine& l) { return IsEndMarker(l.text); });
        if (!hasEndMarker) {
            if (!lines.back().text.empty())
                raws.push_back(NewLine(""));
            raws.push_back(NewLine(kDictEndMarker));
        }
        if (raws == RawLines(lines))
            return 0;
        WriteDict(raws, L"Can't open TMP.INI", L"Can't write DICT.INI");
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

void ProcessLanguageCf()
{
    const std::wstring cf = Str(Txt_Install_TaalCf);
    std::vector<PairGroup> groups;
    {
        UniqueFile f(_wfopen(cf.c_str(), L"rb"));
        if (!f)
            SetupFatal(L"Can't open LANGUAGE.CF");
        // Read whole first, so a damaged file stops setup before any pair is half done.
        groups = ReadPairGroups(f.get());
    }
    for (size_t i = 0; i < groups.size(); ++i) {
        const PairGroup& group = groups[i];
        if (!ApplyPairLocale(Str(Txt_Locale)))
            SetupWarning(Str(Txt_ErrorLocale), Str(Txt_Install_Install));
        if (i == 0)
            EnsureDictIni(group.inputFile);
        DrawEntryTitle(WidenText(group.fields[3], g_interfaceCodePage).c_str());
        BuildReverseWordBook(group);
        RemovePairLines(group.fields[3]);
        AppendPairLine(group);
    }
    DeleteFileW(cf.c_str());
}
