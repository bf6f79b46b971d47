#include "core/session.h"
#include "core/codepage.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <strsafe.h>
#include <iterator>

Session g_session;

void ResetSession()
{
    ClosePairFiles();
    CloseWordBook(&g_session.mirror);
    g_session.book.path.clear();
    g_session.record = {};
    g_session.collation = Collation{};
    g_session.listName[0] = L'\0';
    g_session.listId = kFirstListId;
    g_session.owner = nullptr;
}

std::wstring PairWordBookPath(const LanguagePair* pair)
{
    return pair ? std::wstring(Str(Txt_PathLanguage)) + PairWordBookFile(pair) : std::wstring();
}

std::wstring PairListPath(const LanguagePair* pair, const wchar_t* listName)
{
    if (!pair || !listName || !listName[0])
        return L"";
    return std::wstring(Str(Txt_PathNameList)) + listName + L"\\" + PairListFile(pair);
}

std::wstring PairJournalPath(const LanguagePair* pair)
{
    return std::wstring(L"new\\") + pair->sourceName + L"_" + pair->targetName + L".wb";
}

bool OpenPairBook(const LanguagePair* pair, WordBook* book)
{
    return pair && OpenWordBook(book, PairWordBookPath(pair), pair->sourceCodePage, pair->targetCodePage);
}

void LoadSortTable(const LanguagePair* pair, Collation* c)
{
    if (!pair)
        return;
    c->codePage = pair->sourceCodePage;
    c->useTable = pair->hasSortTable == 1;
    if (c->useTable && !LoadCollationTable(c, pair->sourceName))
        ShowMessage(nullptr, L"Can't open sorttable   ", L"error", MB_OK);
}

static void ApplyLocaleOf(const LanguagePair* pair)
{
    if (!ApplyPairLocale(pair->sourceLocale))
        ShowMessage(g_session.owner, Str(Txt_ErrorLocale), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
}

static std::wstring Format(const wchar_t* format, const std::wstring& a, const std::wstring& b = L"")
{
    wchar_t text[2048];
    StringCchPrintfW(text, std::size(text), format, a.c_str(), b.c_str());
    return text;
}

[[noreturn]] static void CantOpen(const std::wstring& path)
{
    std::wstring text = Format(L"Can't open %ls   \n\nProgram aborted", path);
    FatalMessage(g_session.owner, text.c_str(), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING, 1);
}

void OpenPairFiles()
{
    ClosePairFiles();
    if (!OpenPairBook(CurrentPair(), &g_session.book))
        CantOpen(PairWordBookPath(CurrentPair()));
    OpenListFile();
}

static void Select(LanguagePair* pair)
{
    if (LanguagePair* previous = CurrentPair(); previous != pair) {
        if (previous)
            previous->selected = 0;
        pair->selected = 1;
        g_catalogue.current = pair;
    }
}

// The pair becomes current with its already opened word book.
static void MakeCurrent(LanguagePair* pair, WordBook&& book)
{
    Select(pair);
    LoadSortTable(pair, &g_session.collation);
    ApplyLocaleOf(pair);
    ClosePairFiles();
    g_session.book = std::move(book);
    OpenListFile();
}

void OpenStartBook()
{
    LanguagePair* wanted = CurrentPair();
    WordBook book;
    LanguagePair* opened = OpenPairBook(wanted, &book) ? wanted : nullptr;
    for (size_t i = 0; !opened && i < g_catalogue.entries.size(); ++i) {
        LanguagePair* other = g_catalogue.entries[i].get();
        if (other != wanted && OpenPairBook(other, &book))
            opened = other;
    }
    if (!opened)
        CantOpen(PairWordBookPath(wanted));
    if (opened != wanted) {
        std::wstring name = std::wstring(opened->sourceName) + L" - " + opened->targetName;
        ShowMessage(g_session.owner, Format(Str(Txt_ErrorStartPair), PairWordBookPath(wanted), name).c_str(),
                    Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
    }
    Select(opened);
    ClosePairFiles();
    g_session.book = std::move(book);
}

// The list first: should a message below wait for the user, the main window
// behind it already has everything but the collation.
void SettleStartPair()
{
    LanguagePair* pair = CurrentPair();
    OpenListFile();
    LoadSortTable(pair, &g_session.collation);
    ApplyLocaleOf(pair);
}

void OpenStartPair()
{
    OpenStartBook();
    SettleStartPair();
}

int ActivateCurrentPair(LanguagePair* pair)
{
    WordBook book;
    if (!OpenPairBook(pair, &book)) {
        ShowMessage(g_session.owner, Format(Str(Txt_ErrorOpenPair), PairWordBookPath(pair)).c_str(), Str(Txt_Dictionary),
                    MB_OK | MB_ICONWARNING);
        return -1;
    }
    MakeCurrent(pair, std::move(book));
    return RecordSelectionInCatalogueFile(pair);
}

int OpenListFile()
{
    CloseListFile();
    if (!g_session.listName[0])
        ChooseFirstList();
    const LanguagePair* pair = CurrentPair();
    std::wstring path = PairListPath(pair, g_session.listName);
    if (path.empty())
        return -1;
    return OpenWordBook(&g_session.list, path, pair->sourceCodePage, pair->targetCodePage, true) ? 0 : -1;
}

int ChooseFirstList()
{
    std::wstring first = FirstListName();
    if (first.empty())
        return 0;
    lstrcpynW(g_session.listName, first.c_str(), kListNameChars);
    g_session.listId = kFirstListId;
    return kFirstListId;
}

void CloseListFile() { CloseWordBook(&g_session.list); }

void ClosePairFiles()
{
    CloseWordBook(&g_session.book);
    CloseListFile();
}

void CountRecords()
{
    CountBookRecords(&g_session.book);
    CountListRecords();
}

void CountListRecords()
{
    if (g_session.listName[0])
        CountBookRecords(&g_session.list);
    else
        g_session.list.count = 0;
}

int ReadWordRecord(int index) { return ReadRecord(g_session.book, index, &g_session.record); }
int ReadListRecord(int index) { return ReadRecord(g_session.list, index, &g_session.record); }
int WriteWordRecord(int index) { return WriteRecord(g_session.book, index, g_session.record); }
int WriteListRecord(int index) { return WriteRecord(g_session.list, index, g_session.record); }

int CopyRecordTo(FILE* file)
{
    const LanguagePair* pair = CurrentPair();
    int source = pair ? pair->sourceCodePage : g_uiCodePage;
    int target = pair ? pair->targetCodePage : g_uiCodePage;
    return WriteRecordTo(file, g_session.record, source, target);
}

void ReportWriteFailure(HWND owner, const std::wstring& path)
{
    ShowMessage(owner, Format(Str(Txt_WriteFailed), path).c_str(), Str(Txt_Error), MB_OK | MB_ICONWARNING);
}

int CompareWords(const wchar_t* a, const wchar_t* b) { return CompareWords(g_session.collation, a, b); }

int FindWordPosition(const wchar_t* word)
{
    return FindWordPosition(g_session.book, g_session.collation, word, &g_session.record);
}
