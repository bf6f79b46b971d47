#include "core/records.h"
#include "core/appstate.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/listdirs.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <windows.h>
#include <strsafe.h>
#include <climits>
#include <cstdarg>
#include <iterator>
#include <cstring>
#include <cwchar>
#include <string>

WideRecord currentRecord;
FILE* wordBookFile;
FILE* listFileHandle;
int wordBookCount;
int listCount;

// Wide fields filled by a caller need not be terminated; never read past them.
template <size_t N>
static const wchar_t* FieldText(const wchar_t (&field)[N], wchar_t (&copy)[N + 1])
{
    size_t n = wcsnlen(field, N);
    wmemcpy(copy, field, n);
    copy[n] = L'\0';
    return copy;
}

void BuildWordRecord(const WideRecord& in, int sourceCodePage, int targetCodePage, WordRecord* out)
{
    memset(out, 0, sizeof *out);
    wchar_t source[kSourceChars + 1], translation[kTranslationChars + 1];
    ToNarrowField(FieldText(in.source, source), out->source, kSourceChars, sourceCodePage);
    ToNarrowField(FieldText(in.translation, translation), out->translation, kTranslationChars, targetCodePage);
    out->deleted = in.deleted;
}

void ParseWordRecord(const WordRecord& in, int sourceCodePage, int targetCodePage, WideRecord* out)
{
    ToWideField(in.source, kSourceChars, out->source, kSourceChars, sourceCodePage);
    ToWideField(in.translation, kTranslationChars, out->translation, kTranslationChars, targetCodePage);
    out->deleted = in.deleted;
}

static void SourceAndTargetCodePages(int* source, int* target)
{
    const LanguagePair* p = CurrentPair();
    *source = p ? p->sourceCodePage : g_uiCodePage;
    *target = p ? p->targetCodePage : g_uiCodePage;
}

// A path that does not fit is left empty rather than cut into another file's name.
static void FormatPath(wchar_t* dest, size_t destChars, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    if (FAILED(StringCchVPrintfW(dest, destChars, format, args)) && destChars)
        dest[0] = L'\0';
    va_end(args);
}

void WordBookPath(wchar_t* dest, size_t destChars)
{
    const LanguagePair* p = CurrentPair();
    FormatPath(dest, destChars, L"%ls%ls", Str(Txt_PathLanguage), p ? PairWordBookFile(p) : L"");
}

bool ListFilePath(wchar_t* dest, size_t destChars)
{
    const LanguagePair* p = CurrentPair();
    const wchar_t* file = p ? PairListFile(p) : L"";
    if (!currentListName[0]) {
        FormatPath(dest, destChars, L"%ls%ls", Str(Txt_PathNameList), file);
        return false;
    }
    FormatPath(dest, destChars, L"%ls%ls\\%ls", Str(Txt_PathNameList), currentListName, file);
    return true;
}

int OpenPairFiles()
{
    ClosePairFiles();
    wchar_t path[MAX_PATH * 2];
    WordBookPath(path, std::size(path));
    wordBookFile = path[0] ? _wfopen(path, L"r+b") : nullptr;
    if (!wordBookFile) {
        wchar_t text[MAX_PATH * 2 + 64];
        StringCchPrintfW(text, std::size(text), L"Can't open %ls   \n\nProgram aborted", path);
        FatalMessage(g_mainWindow, text, Str(Txt_Dictionary), MB_OK | MB_ICONWARNING, 1);
    }
    OpenListFile();
    return 0;
}

int OpenListFile()
{
    CloseListFile();
    if (!currentListName[0] && CountLists() > 0)
        ChooseFirstList();
    wchar_t path[MAX_PATH * 2];
    if (!ListFilePath(path, std::size(path)) || !path[0]) {
        listCount = 0;
        return -1;
    }
    listFileHandle = _wfopen(path, L"r+b");
    if (!listFileHandle)
        listFileHandle = _wfopen(path, L"w+b");
    if (!listFileHandle) {
        listCount = 0;
        return -1;
    }
    return 0;
}

// Whole records in the file; a partial record at the end does not count.
static int RecordsIn(FILE* f)
{
    if (!f || _fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    long long size = _ftelli64(f);
    if (size <= 0)
        return 0;
    long long n = size / kRecordSize;
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

void CountRecords()
{
    wordBookCount = RecordsIn(wordBookFile);
    CountListRecords();
}

void CountListRecords()
{
    listCount = currentListName[0] ? RecordsIn(listFileHandle) : 0;
}

static int ReadRecord(FILE* f, int count, int index)
{
    if (!f || index < 0 || index >= count)
        return -1;
    WordRecord rec;
    if (_fseeki64(f, static_cast<long long>(index) * kRecordSize, SEEK_SET) != 0 || fread(&rec, sizeof rec, 1, f) != 1)
        return -1;
    int source, target;
    SourceAndTargetCodePages(&source, &target);
    ParseWordRecord(rec, source, target, &currentRecord);
    return 0;
}

static int WriteRecordAt(FILE* f, int count, int index)
{
    // Writing beyond the end would leave a gap of zero records in the file.
    if (!f || index < 0 || index > count)
        return -1;
    if (_fseeki64(f, static_cast<long long>(index) * kRecordSize, SEEK_SET) != 0)
        return -1;
    return CopyRecordTo(f);
}

int ReadWordRecord(int index) { return ReadRecord(wordBookFile, wordBookCount, index); }
int ReadListRecord(int index) { return ReadRecord(listFileHandle, listCount, index); }
int WriteWordRecord(int index) { return WriteRecordAt(wordBookFile, wordBookCount, index); }
int WriteListRecord(int index) { return WriteRecordAt(listFileHandle, listCount, index); }

int CopyRecordTo(FILE* file)
{
    if (!file)
        return -1;
    int source, target;
    SourceAndTargetCodePages(&source, &target);
    WordRecord rec;
    BuildWordRecord(currentRecord, source, target, &rec);
    // Flushed at once, so whoever opens the file by name next sees the record.
    if (fwrite(&rec, sizeof rec, 1, file) != 1 || fflush(file) != 0)
        return -1;
    return 0;
}

void CloseListFile()
{
    if (listFileHandle)
        fclose(listFileHandle);
    listFileHandle = nullptr;
}

void ClosePairFiles()
{
    if (wordBookFile)
        fclose(wordBookFile);
    wordBookFile = nullptr;
    CloseListFile();
}
