// The catalogue files: LANGUAGE.CF names the pairs to install, DICT.INI lists
// the installed ones for wordbook. DICT.INI is only ever replaced whole.
#include "setup/setup.h"
#include "setup/wordlist.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include <algorithm>
#include <cstdlib>
#include <new>

const char kDictEndMarker[] = "# --- EOF --------------------------------------------------------";
static_assert(sizeof kDictEndMarker == 10 + 56 + 1, "\"# --- EOF \" and 56 hyphens");

namespace {

const wchar_t kTmpIni[] = L"tmp.ini";

std::wstring DictPath() { return Str(Txt_FilenameIni); }
std::string Ui8(StringId id) { return EightFrom(Str(id), g_interfaceCodePage); }

// Consecutive commas count as one separator, as wordbook reads them.
std::vector<std::string> SplitFields(const std::string& line)
{
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

// A pair line goes by its long name, or by its language name when it has none.
std::string LineName(const std::string& line)
{
    auto fields = SplitFields(line);
    if (fields.size() >= 4)
        return fields[3];
    return fields.empty() ? std::string() : fields[0];
}

// The same tests wordbook uses, so the installer edits the block wordbook reads.
bool IsHeader(const std::string& line) { return EqualFoldAZ(line, Ui8(Txt_IniLanguage)); }
bool IsSeparator(const std::string& line) { return line.empty() || line[0] == '#'; }

void WriteLine(FILE* f, const std::string& line)
{
    fputs(line.c_str(), f);
    fputc('\n', f);
}

UniqueFile OpenDictForReading()
{
    UniqueFile in(_wfopen(DictPath().c_str(), L"rt"));
    if (!in)
        SetupFatal(L"Can't open DICT.INI");
    return in;
}

UniqueFile OpenTmpIni(const wchar_t* failure)
{
    UniqueFile out(_wfopen(kTmpIni, L"wt"));
    if (!out)
        SetupFatal(failure);
    return out;
}

// Puts the finished tmp.ini in DICT.INI's place; on any failure the old
// DICT.INI stays as it was and setup ends.
void ReplaceDictIni(UniqueFile& out, const wchar_t* failure)
{
    bool ok = !ferror(out.get()) && FlushFileToDisk(out.get());
    ok = fclose(out.release()) == 0 && ok;
    if (ok && ReplaceFileAtomic(kTmpIni, DictPath().c_str()))
        return;
    DeleteFileW(kTmpIni);
    SetupFatal(failure);
}

void CheckRead(FILE* in)
{
    if (ferror(in))
        SetupFatal(L"Can't read DICT.INI");
}

std::string PairLine(const PairGroup& g)
{
    return g.fields[0] + "," + g.fields[1] + "," + g.fields[2] + "," + g.fields[3];
}

void BuildReverseWordBook(const PairGroup& group)
{
    const std::wstring books = Str(Txt_PathLanguage);
    WordListJob job;
    job.inputPath = books + WideFrom8(group.inputFile, g_interfaceCodePage);
    job.outputPath = books + WideFrom8(group.outputFile, g_interfaceCodePage);
    job.tempPath = Str(Txt_Install_TaalTemp);
    job.tablePath = std::wstring(L"tables\\") + Str(Txt_Locale) + L".stb";
    job.foreignCodePage = CharsetToCodePage(atoi(group.fields[2].c_str()));
    job.mainCodePage = g_mainCodePage;
    HCURSOR previous = g_setupWindow ? SetCursor(LoadCursorW(nullptr, IDC_WAIT)) : nullptr;
    std::wstring error;
    if (!BuildWordList(job, SetupProgress(), &error))
        SetupFatal(error.c_str());
    if (g_setupWindow)
        SetCursor(previous);
    g_barY += 50;
}

} // namespace

std::vector<PairGroup> ReadPairGroups(FILE* f)
{
    std::vector<PairGroup> groups;
    PairGroup group;
    std::string line;
    int number = 0, part = 0;
    while (ReadTextLine(f, line)) {
        ++number;
        if (IsSeparator(line))
            continue;
        if (part == 0) {
            group = PairGroup{};
            group.line = number;
            auto fields = SplitFields(line);
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
    if (part != 0)
        SetupFatal((L"LANGUAGE.CF, line " + std::to_wstring(group.line) +
                    L": the group ends before its two word-book file names").c_str());
    return groups;
}

void EnsureDictIni(const std::string& firstWordBook)
{
    if (GetFileAttributesW(DictPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
        UniqueFile out = OpenTmpIni(L"Can't create DICT.INI");
        FILE* f = out.get();
        WriteLine(f, Ui8(Txt_Install_IniLine01));
        WriteLine(f, "");
        WriteLine(f, Ui8(Txt_IniAddnew));
        WriteLine(f, Ui8(Txt_Install_IniLine03));
        WriteLine(f, "");
        WriteLine(f, Ui8(Txt_IniSelected));
        WriteLine(f, firstWordBook);
        WriteLine(f, "");
        WriteLine(f, Ui8(Txt_IniLanguage));
        WriteLine(f, "");
        WriteLine(f, "");
        WriteLine(f, kDictEndMarker);
        ReplaceDictIni(out, L"Can't create DICT.INI");
    }
    if (g_detailedDisplay)
        g_textY += 25;
}

void RemovePairLines(const std::string& longName)
{
    UniqueFile in = OpenDictForReading();
    UniqueFile out = OpenTmpIni(L"Can't open TMP.INI");
    std::string line;
    bool inBlock = false;
    while (ReadTextLine(in.get(), line)) {
        if (IsHeader(line)) {
            inBlock = true;
        } else if (IsSeparator(line)) {
            inBlock = false;
        } else if (inBlock && line.find(',') != std::string::npos && EqualFoldAZ(LineName(line), longName)) {
            continue;
        }
        WriteLine(out.get(), line);
    }
    CheckRead(in.get());
    in.reset();
    ReplaceDictIni(out, L"Can't write DICT.INI");
}

void AppendPairLine(const PairGroup& group)
{
    UniqueFile in = OpenDictForReading();
    UniqueFile out = OpenTmpIni(L"Can't open TMP.INI");
    std::string line, last;
    bool appended = false;
    while (ReadTextLine(in.get(), line)) {
        WriteLine(out.get(), line);
        last = line;
        if (appended || !IsHeader(line))
            continue;
        // The new line goes at the end of the block, where wordbook still sees it.
        bool more;
        while ((more = ReadTextLine(in.get(), line)) && !IsSeparator(line))
            WriteLine(out.get(), line);
        WriteLine(out.get(), PairLine(group));
        if (!more || line.empty()) {
            WriteLine(out.get(), "");
            last.clear();
        } else {
            WriteLine(out.get(), line);
            last = line;
        }
        appended = true;
    }
    CheckRead(in.get());
    if (!appended) {
        // A catalogue without its header gets one, or the pair would be lost.
        if (!last.empty())
            WriteLine(out.get(), "");
        WriteLine(out.get(), Ui8(Txt_IniLanguage));
        WriteLine(out.get(), PairLine(group));
        WriteLine(out.get(), "");
    }
    in.reset();
    ReplaceDictIni(out, L"Can't write DICT.INI");
}

// The lines of every catalogue block, in file order; false when DICT.INI
// can't be opened or read.
static bool ReadCatalogueLines(std::vector<std::string>* lines)
{
    UniqueFile in(_wfopen(DictPath().c_str(), L"rt"));
    if (!in)
        return false;
    std::string line;
    bool inBlock = false;
    while (ReadTextLine(in.get(), line)) {
        if (IsHeader(line))
            inBlock = true;
        else if (IsSeparator(line))
            inBlock = false;
        else if (inBlock)
            lines->push_back(line);
    }
    return !ferror(in.get());
}

int CountCatalogueLines()
{
    std::vector<std::string> lines;
    return ReadCatalogueLines(&lines) ? static_cast<int>(lines.size()) : -1;
}

int SortCatalogueBlock()
{
    struct Slot {
        std::string line;
        std::wstring name;
    };
    try {
        std::vector<std::string> lines;
        if (!ReadCatalogueLines(&lines))
            return -1;
        std::vector<Slot> slots;
        for (std::string& line : lines)
            slots.push_back({line, WideFrom8(LineName(line), g_interfaceCodePage)});
        std::stable_sort(slots.begin(), slots.end(),
                         [](const Slot& a, const Slot& b) { return _wcsicoll(a.name.c_str(), b.name.c_str()) < 0; });

        UniqueFile in(_wfopen(DictPath().c_str(), L"rt"));
        if (!in)
            return -1;
        UniqueFile out = OpenTmpIni(L"Can't open TMP.INI");
        std::string line;
        while (ReadTextLine(in.get(), line)) {
            WriteLine(out.get(), line);
            if (IsHeader(line))
                break;
        }
        CheckRead(in.get());
        // Whatever followed the header is replaced by the sorted block.
        for (const Slot& s : slots)
            WriteLine(out.get(), s.line);
        WriteLine(out.get(), "");
        WriteLine(out.get(), kDictEndMarker);
        in.reset();
        ReplaceDictIni(out, L"Can't write DICT.INI");
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
        UniqueFile f(_wfopen(cf.c_str(), L"rt"));
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
        DrawEntryTitle(WideFrom8(group.fields[3], g_interfaceCodePage).c_str());
        BuildReverseWordBook(group);
        RemovePairLines(group.fields[3]);
        AppendPairLine(group);
    }
    DeleteFileW(cf.c_str());
}
