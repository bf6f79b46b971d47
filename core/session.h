// The session: the current pair made effective, with its open word book,
// practice list and collation, and the one record through which the windows
// read and write. Everything else in the core sits below this file.
#pragma once
#include "core/catalogue.h"
#include "core/collate.h"
#include "core/listdirs.h"
#include "core/records.h"
#include <windows.h>

struct Session {
    WordBook book;        // the current pair's word book
    WordBook mirror;      // the opposite direction's, while a window writes both
    WordBook list;        // the practice-list file (closed when no list is chosen)
    WideRecord record{};  // the current record
    Collation collation;  // of the current pair
    wchar_t listName[kListNameChars] = L"";  // the chosen practice list, "" for none
    int listId = kFirstListId;
    HWND owner = nullptr;  // owner of the session's warning boxes: the main window
};
extern Session g_session;

// Closes the files and forgets the list: a fresh session.
void ResetSession();

// The files of a pair (relative to the current directory).
std::wstring PairWordBookPath(const LanguagePair* pair);
// "" when no practice list is chosen.
std::wstring PairListPath(const LanguagePair* pair, const wchar_t* listName);
// The new-words journal: new\<source>_<target>.wb, every word added to the book.
std::wstring PairJournalPath(const LanguagePair* pair);
// Opens a pair's word book without ending the program; false when it can't be opened.
bool OpenPairBook(const LanguagePair* pair, WordBook* book);
// The pair's collation: its table when it has one ("Can't open sorttable"
// when that can't be read: the previous table stays).
void LoadSortTable(const LanguagePair* pair, Collation* c);

// Start-up: opens the current pair, or, when its word book can't be opened,
// the first pair in catalogue order that can (with a message). Applies its
// locale and table and opens its list. Ends the program when no word book opens.
void OpenStartPair();
// The same in two steps, so that the main window can show in between:
// OpenStartBook settles the pair and opens its word book (the messages and
// the ending above); SettleStartPair opens its list and applies its table
// and locale (with their messages).
void OpenStartBook();
void SettleStartPair();
// Makes pair current: opens its word book first; on failure says so and
// leaves the current pair, its files and DICT.INI as they were (-1).
// Otherwise loads its collation, applies its locale, opens its list and
// records the choice in DICT.INI (-1 when that rewrite fails; the pair is
// current all the same).
int ActivateCurrentPair(LanguagePair* pair);

// Opens the current pair's word book and list again (after a rewrite);
// ends the program when the word book can't be opened.
void OpenPairFiles();
// The practice list of the current pair: opens (or creates) the chosen
// list's file; with no list chosen the first list becomes the chosen one.
// -1 when there is no list or its file can't be opened.
int OpenListFile();
// The first list in the root's order becomes the chosen one: kFirstListId,
// or 0 (and nothing changed) when there is no list.
int ChooseFirstList();
void CloseListFile();
void ClosePairFiles();
// Recounts the word book and the list from their files.
void CountRecords();
void CountListRecords();

// The current pair's files through the current record.
int ReadWordRecord(int index);
int ReadListRecord(int index);
int WriteWordRecord(int index);
int WriteListRecord(int index);
int CopyRecordTo(FILE* file);
// Tells the user that path could not be written and the change was not kept.
void ReportWriteFailure(HWND owner, const std::wstring& path);
// The comparison and position search of the current pair.
int CompareWords(const wchar_t* a, const wchar_t* b);
int FindWordPosition(const wchar_t* word);
