#include "core/wordimport.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/textfold.h"
#include "core/translations.h"
#include "core/uistrings.h"
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

namespace {

constexpr int kWordBytes = kSourceChars - 1;
constexpr int kListBytes = kTranslationChars - 1;

std::wstring FromUtf8(const std::string& text) { return WidenText(text, CP_UTF8); }

bool Fits(const std::wstring& text, int codePage, int bytes)
{
    int n = CodePageBytes(text.c_str(), codePage);
    return n >= 0 && n <= bytes;
}

std::wstring JoinItems(const std::vector<std::wstring>& items)
{
    std::wstring list;
    for (const std::wstring& item : items) {
        if (!list.empty())
            list += L", ";
        list += item;
    }
    return list;
}

bool HasItem(const std::vector<std::wstring>& items, const std::wstring& item)
{
    for (const std::wstring& known : items)
        if (EqualFoldAZ(known, item))
            return true;
    return false;
}

WideRecord MakeRecord(const std::wstring& source, const std::wstring& translation)
{
    WideRecord r{};
    lstrcpynW(r.source, source.c_str(), kSourceChars);
    lstrcpynW(r.translation, translation.c_str(), kTranslationChars);
    return r;
}

// The mirrored pair whose word book can take reverse entries, or null.
const LanguagePair* UsableMirror(const LanguagePair* pair)
{
    const LanguagePair* mirrored = FindMirroredPair(pair);
    if (!mirrored || PairWordBookPath(mirrored) == PairWordBookPath(pair))
        return nullptr;
    DWORD attributes = GetFileAttributesW(PairWordBookPath(mirrored).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? mirrored : nullptr;
}

// Progress of the whole import in steps of about a record; the caller hears
// of it every 1000 steps and between the phases, and may cancel then.
struct Ticker {
    const ImportProgress& progress;
    long done = 0, total = 1;
    bool cancelled = false;
    bool Tick(long steps = 1)
    {
        long before = done / 1000;
        done = std::min(done + steps, total);
        return done / 1000 == before || Tell();
    }
    bool Tell()
    {
        if (!cancelled && progress.step && !progress.step(progress.context, done, total))
            cancelled = true;
        return !cancelled;
    }
};

// One word book on its way to its new contents: its live records as loaded,
// the ones that stay in place with new texts, and the ones merged in.
struct BookWork {
    const LanguagePair* pair = nullptr;
    WordBook book;
    RecordArray old;
    Collation collation;
    static constexpr int32_t kKept = -1, kDropped = -2;
    std::vector<int32_t> changeOf;  // per record of the file: kKept, kDropped or its index in changed
    std::vector<WideRecord> changed;
    std::vector<WideRecord> added;  // in the order they came
    std::wstring temp;

    uint32_t FileIndex(size_t i) const { return old.rawOrder[i] & ~RecordArray::kConverted; }
    void Change(size_t i, const WideRecord& r)
    {
        int32_t& at = changeOf[FileIndex(i)];
        if (at >= 0) {
            changed[at] = r;
            return;
        }
        at = static_cast<int32_t>(changed.size());
        changed.push_back(r);
    }
    // Record i as it stands now.
    WideRecord Current(size_t i) const
    {
        int32_t at = changeOf[FileIndex(i)];
        return at >= 0 ? changed[at] : old[i].record;
    }
};

bool LoadBook(const LanguagePair* pair, BookWork* work)
{
    work->pair = pair;
    work->book.path = PairWordBookPath(pair);
    work->book.sourceCodePage = pair->sourceCodePage;
    work->book.targetCodePage = pair->targetCodePage;
    work->book.file.reset(_wfopen(work->book.path.c_str(), L"rb"));
    if (!work->book.file || !LoadAllRecords(work->book, &work->old, {}))
        return false;
    try {
        work->changeOf.assign(static_cast<size_t>(RecordsInFile(work->book.file.get())), BookWork::kKept);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Words are the same when they are equal with A to Z folded. The index
// numbers the words it is given, a word and its other spellings once, and
// tells where they are among a book's live records.
struct WordIndex {
    struct Word {
        std::wstring spelling;  // as first given
        uint64_t hash;
        long at = -1;           // the live record spelled the same, else the first equal one
        bool exact = false;
    };
    std::vector<Word> words;
    std::vector<uint64_t> slots;  // upper half of the hash and id + 1; 0 for an empty one

    static uint64_t Hash(const wchar_t* text, size_t length)
    {
        uint64_t h = 0xcbf29ce484222325ULL;
        for (size_t i = 0; i < length; ++i)
            h = (h ^ FoldAZ(text[i])) * 0x100000001b3ULL;
        return h ^ (h >> 29);
    }
    static bool Same(const std::wstring& a, const wchar_t* b, size_t length)
    {
        if (a.size() != length)
            return false;
        for (size_t i = 0; i < length; ++i)
            if (FoldAZ(a[i]) != FoldAZ(b[i]))
                return false;
        return true;
    }
    // The slot holding the word, or the empty one where it would go.
    size_t SlotOf(const wchar_t* text, size_t length, uint64_t h) const
    {
        const uint64_t tag = h & 0xFFFFFFFF00000000ULL, mask = slots.size() - 1;
        for (size_t slot = static_cast<size_t>(h) & mask;; slot = (slot + 1) & mask) {
            uint64_t cell = slots[slot];
            if (cell == 0 || ((cell & 0xFFFFFFFF00000000ULL) == tag &&
                              Same(words[static_cast<uint32_t>(cell) - 1].spelling, text, length)))
                return slot;
        }
    }
    long Find(const wchar_t* text, size_t length) const
    {
        if (slots.empty())
            return -1;
        uint64_t cell = slots[SlotOf(text, length, Hash(text, length))];
        return cell ? static_cast<long>(static_cast<uint32_t>(cell) - 1) : -1;
    }
    long Add(const std::wstring& word)
    {
        // At most a quarter full, so that a word not there is seen at once.
        if (4 * (words.size() + 1) > slots.size()) {
            slots.assign(std::max<size_t>(1024, 2 * slots.size()), 0);
            for (size_t id = 0; id < words.size(); ++id) {
                const Word& w = words[id];
                size_t slot = SlotOf(w.spelling.data(), w.spelling.size(), w.hash);
                slots[slot] = (w.hash & 0xFFFFFFFF00000000ULL) | (id + 1);
            }
        }
        uint64_t h = Hash(word.data(), word.size());
        size_t slot = SlotOf(word.data(), word.size(), h);
        if (slots[slot])
            return static_cast<long>(static_cast<uint32_t>(slots[slot]) - 1);
        words.push_back({word, h});
        slots[slot] = (h & 0xFFFFFFFF00000000ULL) | words.size();
        return static_cast<long>(words.size() - 1);
    }
    // Looks for every word among the book's live records.
    void FindIn(const BookWork& work, Ticker* ticker)
    {
        wchar_t word[kSourceChars];
        for (size_t i = 0; i < work.old.size(); ++i) {
            ticker->Tick();
            RecordSourceWord(work.old, i, word);
            long id = Find(word, wcslen(word));
            if (id < 0 || words[id].exact)
                continue;
            Word& w = words[id];
            w.exact = w.spelling == word;
            if (w.exact || w.at < 0)
                w.at = static_cast<long>(i);
        }
    }
};

// A word as the sort orders it: its table key, or its text under the locale.
struct SortWord {
    unsigned char key[kSortKeyBuffer];
    int length = 0;
    wchar_t text[kSourceChars];
};

int CompareSortWords(const Collation& c, const SortWord& a, const SortWord& b)
{
    return c.useTable ? CompareSortKeys(a.key, a.length, b.key, b.length) : CompareByLocale(a.text, b.text);
}

void OldSortWord(const BookWork& work, size_t i, SortWord* w)
{
    if (work.collation.useTable)
        w->length = RecordTableKey(work.old, i, work.collation, w->key);
    else
        RecordSourceWord(work.old, i, w->text);
}

void NewSortWord(const Collation& c, const WideRecord& r, SortWord* w)
{
    if (c.useTable) {
        char narrow[kSortKeyBuffer];
        ToNarrowField(r.source, narrow, kSortKeyBuffer, c.codePage);
        w->length = MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), c.table, w->key);
    } else {
        wmemcpy(w->text, r.source, kSourceChars);
    }
}

// Writes records in chunks through the file seam.
struct RecordWriter {
    UniqueFile file;
    std::vector<WordRecord> chunk;
    bool ok = true;
    explicit RecordWriter(const std::wstring& path) : file(_wfopen(path.c_str(), L"wb"))
    {
        ok = file != nullptr;
        chunk.reserve(4096);
    }
    void Put(const WordRecord& r)
    {
        chunk.push_back(r);
        if (chunk.size() == chunk.capacity())
            Flush();
    }
    void Flush()
    {
        if (ok && !chunk.empty())
            ok = WriteToFile(file.get(), chunk.data(), chunk.size() * sizeof(WordRecord));
        chunk.clear();
    }
    bool Close()
    {
        Flush();
        ok = ok && FlushFileToDisk(file.get());
        bool closed = file && CloseWrittenFile(file);
        return ok && closed;
    }
};

// The book's records in the sort's order: the old ones (sorted first when
// they are not in order), the added ones merged in after old ones of equal
// words, as a stable sort of old and added one after the other would put them.
bool WriteSorted(BookWork& work, Ticker* ticker)
{
    const Collation& c = work.collation;
    RecordArray& old = work.old;
    std::erase_if(old.rawOrder, [&work](uint32_t entry) {
        return work.changeOf[entry & ~RecordArray::kConverted] == BookWork::kDropped;
    });
    bool inOrder = true;
    {
        SortWord a, b;
        SortWord* w[2] = {&a, &b};
        for (size_t i = 0; i < old.size() && inOrder; ++i) {
            OldSortWord(work, i, w[i & 1]);
            inOrder = i == 0 || CompareSortWords(c, *w[(i - 1) & 1], *w[i & 1]) <= 0;
        }
    }
    if (!inOrder)
        SortRecords(old, c, {});
    if (!ticker->Tick(static_cast<long>(old.size() / 2)))
        return false;
    std::vector<SortWord> addedWords(work.added.size());
    for (size_t k = 0; k < work.added.size(); ++k)
        NewSortWord(c, work.added[k], &addedWords[k]);
    std::vector<uint32_t> order(work.added.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
        return CompareSortWords(c, addedWords[x], addedWords[y]) < 0;
    });

    RecordWriter out(work.temp);
    const int sourceCodePage = work.book.sourceCodePage, targetCodePage = work.book.targetCodePage;
    size_t next = 0;
    auto putAdded = [&] {
        WordRecord r;
        BuildWordRecord(work.added[order[next++]], sourceCodePage, targetCodePage, &r);
        out.Put(r);
    };
    SortWord here;
    for (size_t i = 0; i < old.size() && out.ok; ++i) {
        if (next < order.size()) {
            OldSortWord(work, i, &here);
            while (next < order.size() && CompareSortWords(c, addedWords[order[next]], here) < 0)
                putAdded();
        }
        WordRecord r;
        int32_t at = work.changeOf[work.FileIndex(i)];
        if (at >= 0)
            BuildWordRecord(work.changed[at], sourceCodePage, targetCodePage, &r);
        else
            old.Output(i, &r);
        out.Put(r);
        if (!ticker->Tick())
            return false;
    }
    while (next < order.size() && out.ok)
        putAdded();
    return out.Close();
}

// Forward entries: a word the book holds (among its live records) gets the
// new translation, in place when it is spelled the same; others are added.
// *fresh gets the new words, for the journal.
void PlaceForward(const ImportPlan& plan, BookWork& work, std::vector<WideRecord>* fresh, Ticker* ticker)
{
    WordIndex index;
    for (const ImportEntry& e : plan.entries)
        index.Add(e.word);
    index.FindIn(work, ticker);
    for (const ImportEntry& e : plan.entries) {
        WideRecord r = MakeRecord(e.word, e.translation);
        const WordIndex::Word& w = index.words[index.Find(e.word.data(), e.word.size())];
        if (w.exact) {
            work.Change(w.at, r);
            continue;
        }
        // Spelled otherwise, the word may belong elsewhere in the order.
        if (w.at >= 0)
            work.changeOf[work.FileIndex(w.at)] = BookWork::kDropped;
        else
            fresh->push_back(r);
        work.added.push_back(r);
    }
}

// Reverse entries, as the add-words window makes them: every item that can
// be a word of the mirrored book gets the entry's word among its translations.
void PlaceReverse(const ImportPlan& plan, BookWork& work, Ticker* ticker)
{
    WordIndex index;
    std::vector<std::vector<long>> itemsOf;  // per entry, the index's numbers of its items
    itemsOf.reserve(plan.entries.size());
    for (const ImportEntry& e : plan.entries) {
        itemsOf.emplace_back();
        for (const std::wstring& item : SplitTranslationItems(e.translation))
            itemsOf.back().push_back(index.Add(item));
    }
    index.FindIn(work, ticker);
    // Per word: can it be a word of this book, and the record added for it.
    std::vector<signed char> usable(index.words.size(), -1);
    std::vector<long> added(index.words.size(), -1);
    for (size_t k = 0; k < plan.entries.size(); ++k) {
        const std::wstring& source = plan.entries[k].word;
        for (long id : itemsOf[k]) {
            const WordIndex::Word& w = index.words[id];
            if (usable[id] < 0)
                usable[id] = w.spelling.find(L',') == std::wstring::npos &&
                             Fits(w.spelling, work.pair->sourceCodePage, kWordBytes);
            if (!usable[id])
                continue;
            if (w.at < 0 && added[id] < 0) {
                added[id] = static_cast<long>(work.added.size());
                work.added.push_back(MakeRecord(w.spelling, source));
                continue;
            }
            WideRecord r = added[id] >= 0 ? work.added[added[id]] : work.Current(w.at);
            std::wstring list = r.translation;
            if (HasItem(TranslationParts(list), source))
                continue;
            // An empty list gets no empty item in front.
            std::wstring longer = list.empty() ? source : list + L", " + source;
            if (!Fits(longer, work.pair->targetCodePage, kListBytes))
                continue;
            lstrcpynW(r.translation, longer.c_str(), kTranslationChars);
            if (added[id] >= 0)
                work.added[added[id]] = r;
            else
                work.Change(w.at, r);
        }
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The journal's old bytes and a record for every new word.
bool WriteJournal(const std::wstring& path, const std::wstring& temp, const std::vector<WideRecord>& fresh,
                  const LanguagePair* pair)
{
    std::string bytes;
    if (Exists(path) && !ReadWholeFile(path, &bytes))
        return false;
    RecordWriter out(temp);
    if (out.ok && !bytes.empty())
        out.ok = WriteToFile(out.file.get(), bytes.data(), bytes.size());
    for (const WideRecord& r : fresh) {
        WordRecord raw;
        BuildWordRecord(r, pair->sourceCodePage, pair->targetCodePage, &raw);
        out.Put(raw);
    }
    return out.Close();
}

// A file to put in place: its temporary beside it, and while the others are
// not yet in place, the old file as a backup beside it too.
struct Replacement {
    std::wstring target, temp, backup;
    bool existed = false, placed = false;
};

// Puts every temporary in its target's place, or (on a failure) every old
// file back; *failedPath gets the file that failed.
bool PlaceAll(std::vector<Replacement>& files, std::wstring* failedPath)
{
    for (Replacement& f : files) {
        f.backup = f.target + L".old";
        f.existed = Exists(f.target);
        // A backup left by an import that did not finish holds an older copy
        // of a file that is there; without the file it is the only copy and stays.
        if (Exists(f.backup) && (!f.existed || !DeleteFileW(f.backup.c_str()))) {
            *failedPath = f.backup;
            return false;
        }
    }
    // Every target is replaced in one step, so that it is never missing,
    // even if the program ends half-way.
    bool ok = true;
    for (Replacement& f : files) {
        if ((f.existed && !KeepBackupOf(f.target.c_str(), f.backup.c_str())) ||
            !ReplaceFileAtomic(f.temp.c_str(), f.target.c_str())) {
            *failedPath = f.target;
            if (f.existed)
                RemoveFilePath(f.backup.c_str());
            ok = false;
            break;
        }
        f.placed = true;
    }
    if (!ok) {
        for (auto f = files.rbegin(); f != files.rend(); ++f)
            if (f->placed && !(f->existed ? ReplaceFileAtomic(f->backup.c_str(), f->target.c_str())
                                          : RemoveFilePath(f->target.c_str())))
                *failedPath = f->target;
        return false;
    }
    // Done: a backup that can't go now goes at the next import.
    for (Replacement& f : files)
        if (f.existed)
            RemoveFilePath(f.backup.c_str());
    return true;
}

// The locale orders the books without a table, and the runtime holds one:
// each book's language in turn, then the current pair's again.
struct LocaleScope {
    bool changed = false;
    void Use(const LanguagePair* pair, const Collation& c)
    {
        if (c.useTable)
            return;
        ApplyPairLocale(pair->sourceLocale);
        changed = true;
    }
    ~LocaleScope()
    {
        if (changed && CurrentPair())
            ApplyPairLocale(CurrentPair()->sourceLocale);
    }
};

std::string RowText(const TableRow& row)
{
    std::string text;
    for (size_t i = 0; i < row.cells.size(); ++i) {
        if (i)
            text += '\t';
        for (char c : row.cells[i])
            text += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
    }
    return text;
}

bool ReadError(const std::wstring& path, std::wstring* error)
{
    if (error)
        *error = FillIn(Str(Txt_ImportCantRead), {path});
    return false;
}

bool WriteTable(const std::wstring& path, const std::string& bytes, std::wstring* error)
{
    if (ReplaceFileContents(path, bytes))
        return true;
    if (error)
        *error = FillIn(Str(Txt_ExportCantWrite), {path});
    return false;
}

}  // namespace

bool LooksLikeHeader(const Table& table, const LanguagePair* pair)
{
    static const wchar_t* const kNames[] = {
        L"word", L"term", L"front", L"question", L"translation", L"back", L"answer", L"meaning", L"definition",
        L"woord", L"vertaling", L"betekenis", L"vraag", L"antwoord", L"voorkant", L"achterkant"};
    if (table.rows.empty())
        return false;
    const std::vector<std::string>& cells = table.rows[0].cells;
    int named = 0;
    for (size_t i = 0; i < cells.size() && i < 2; ++i) {
        std::wstring cell = CollapseSpaces(FromUtf8(cells[i]));
        if (cell.empty())
            continue;
        auto same = [&cell](const wchar_t* name) {
            return CompareStringOrdinal(cell.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
        };
        bool isName = std::any_of(std::begin(kNames), std::end(kNames), same) ||
                      (pair && (same(pair->sourceName) || same(pair->targetName)));
        if (!isName)
            return false;
        ++named;
    }
    return named > 0;
}

std::vector<std::wstring> ColumnNames(const Table& table, bool header)
{
    size_t widest = 0;
    for (const TableRow& row : table.rows)
        widest = std::max(widest, row.cells.size());
    std::vector<std::wstring> names;
    for (size_t i = 0; i < widest; ++i) {
        std::wstring name;
        if (header && !table.rows.empty() && i < table.rows[0].cells.size())
            name = CollapseSpaces(FromUtf8(table.rows[0].cells[i]));
        names.push_back(name.empty() ? std::to_wstring(i + 1) : name);
    }
    return names;
}

bool PlanImport(const Table& table, const ImportColumns& columns, const LanguagePair* pair, ImportPlan* plan,
                std::wstring* error)
{
    *plan = ImportPlan();
    plan->pair = pair;
    if (!pair)
        return false;
    WordIndex byWord;
    std::vector<long> entryOf;  // per word of byWord, its entry (-1: none yet)
    std::vector<std::vector<std::wstring>> itemsOf;
    auto refuse = [plan](const TableRow& row, ImportRefusal why, int bytes = 0) {
        plan->refused.push_back({row.line, why, bytes, RowText(row)});
    };
    for (size_t r = columns.header ? 1 : 0; r < table.rows.size(); ++r) {
        const TableRow& row = table.rows[r];
        auto cell = [&row](int column) {
            if (column < 0 || static_cast<size_t>(column) >= row.cells.size())
                return std::wstring();
            // A zero would end the text where it is stored: no code page holds it here.
            std::wstring text = FromUtf8(row.cells[column]);
            std::replace(text.begin(), text.end(), L'\0', L'\xFFFD');
            return CollapseSpaces(text);
        };
        std::wstring word = cell(columns.word);
        std::vector<std::wstring> items;
        for (std::wstring& item : SplitTranslationItems(cell(columns.translation)))
            if (!HasItem(items, item))
                items.push_back(std::move(item));
        int wordBytes = CodePageBytes(word.c_str(), pair->sourceCodePage);
        int ownBytes = CodePageBytes(JoinItems(items).c_str(), pair->targetCodePage);
        if (word.empty())
            refuse(row, ImportRefusal::NoWord);
        else if (items.empty())
            refuse(row, ImportRefusal::NoTranslation);
        else if (word.find(L',') != std::wstring::npos)
            refuse(row, ImportRefusal::WordHasComma);
        else if (wordBytes < 0)
            refuse(row, ImportRefusal::WordNotHeld);
        else if (wordBytes > kWordBytes)
            refuse(row, ImportRefusal::WordTooLong, wordBytes);
        else if (ownBytes < 0)
            refuse(row, ImportRefusal::TranslationNotHeld);
        else {
            // Lines of one word make one entry, its items each once.
            long id = byWord.Add(word);
            entryOf.resize(byWord.words.size(), -1);
            long at = entryOf[id];
            std::vector<std::wstring> merged = at < 0 ? items : itemsOf[at];
            for (std::wstring& item : items)
                if (at >= 0 && !HasItem(merged, item))
                    merged.push_back(std::move(item));
            std::wstring list = JoinItems(merged);
            int bytes = CodePageBytes(list.c_str(), pair->targetCodePage);
            if (bytes > kListBytes) {
                refuse(row, ImportRefusal::TranslationTooLong, bytes);
            } else if (at < 0) {
                entryOf[id] = static_cast<long>(plan->entries.size());
                plan->entries.push_back({word, list, row.line, false});
                itemsOf.push_back(std::move(merged));
            } else {
                plan->entries[at].translation = list;
                itemsOf[at] = std::move(merged);
            }
        }
    }
    plan->noMirror = UsableMirror(pair) == nullptr;
    BookWork work;
    if (!LoadBook(pair, &work))
        return ReadError(work.book.path, error);
    ImportProgress none;
    Ticker ticker{none};
    byWord.FindIn(work, &ticker);
    for (ImportEntry& e : plan->entries) {
        e.replaces = byWord.words[byWord.Find(e.word.data(), e.word.size())].at >= 0;
        ++(e.replaces ? plan->replaced : plan->added);
    }
    return true;
}

ImportResult ApplyImport(const ImportPlan& plan, const LanguagePair* pair, const ImportProgress& progress,
                         std::wstring* failedPath)
{
    failedPath->clear();
    if (!pair)
        return ImportResult::Failed;
    if (plan.entries.empty())
        return ImportResult::Done;
    const LanguagePair* mirrored = UsableMirror(pair);
    BookWork forward, mirror;
    std::vector<WideRecord> fresh;
    std::vector<Replacement> files;
    bool madeJournalFolder = false;
    // Nothing has changed yet: whatever stops the import leaves no temporary behind.
    auto stop = [&](ImportResult result, const std::wstring& path) {
        for (const Replacement& f : files)
            DeleteFileW(f.temp.c_str());
        if (madeJournalFolder)
            RemoveDirectoryW(L"new");
        if (result == ImportResult::Failed && failedPath->empty())
            *failedPath = path;
        return result;
    };
    Ticker ticker{progress};
    LocaleScope locale;
    try {
        if (!LoadBook(pair, &forward))
            return stop(ImportResult::Failed, forward.book.path);
        if (mirrored && !LoadBook(mirrored, &mirror))
            return stop(ImportResult::Failed, mirror.book.path);
        long entries = static_cast<long>(plan.entries.size());
        // Finding the words, checking the order and writing: two and a half steps a record.
        ticker.total = 5 * static_cast<long>(forward.old.size() + mirror.old.size()) / 2 + entries + 1;
        if (!ticker.Tell())
            return stop(ImportResult::Cancelled, L"");
        PlaceForward(plan, forward, &fresh, &ticker);
        if (mirrored)
            PlaceReverse(plan, mirror, &ticker);
        if (!ticker.Tell())
            return stop(ImportResult::Cancelled, L"");
        for (BookWork* work : {&forward, &mirror}) {
            if (!work->pair || (work == &mirror && mirror.changed.empty() && mirror.added.empty()))
                continue;
            LoadSortTable(work->pair, &work->collation);
            locale.Use(work->pair, work->collation);
            work->temp = work->book.path + L".new";
            files.push_back({work->book.path, work->temp, L"", false, false});
            bool written = WriteSorted(*work, &ticker);
            if (ticker.cancelled || !ticker.Tell())
                return stop(ImportResult::Cancelled, L"");
            if (!written)
                return stop(ImportResult::Failed, work->book.path);
        }
        if (!fresh.empty()) {
            std::wstring journal = PairJournalPath(pair);
            madeJournalFolder = CreateDirectoryW(L"new", nullptr) != 0;
            files.push_back({journal, journal + L".new", L"", false, false});
            if (!WriteJournal(journal, files.back().temp, fresh, pair))
                return stop(ImportResult::Failed, journal);
        }
        ticker.Tick(entries);
        if (!ticker.Tell())
            return stop(ImportResult::Cancelled, L"");
    } catch (const std::bad_alloc&) {
        return stop(ImportResult::Failed, forward.book.path);
    }
    // The mappings and handles of the books would block their replacement,
    // and so would the session's.
    forward.old.clear();
    mirror.old.clear();
    forward.book.file.reset();
    mirror.book.file.reset();
    bool reopen = g_session.book.isOpen();
    if (reopen)
        ClosePairFiles();
    bool placed = PlaceAll(files, failedPath);
    if (reopen) {
        OpenPairFiles();
        CountRecords();
    }
    if (!placed)
        return stop(ImportResult::Failed, L"");
    ticker.done = ticker.total;
    ticker.Tell();
    return ImportResult::Done;
}

std::wstring RefusalText(const RefusedLine& refused, const LanguagePair* pair)
{
    std::wstring source = pair ? pair->sourceName : L"", target = pair ? pair->targetName : L"";
    std::wstring bytes = std::to_wstring(refused.bytes);
    switch (refused.why) {
    case ImportRefusal::NoWord: return Str(Txt_ImportRefusedNoWord);
    case ImportRefusal::NoTranslation: return Str(Txt_ImportRefusedNoTranslation);
    case ImportRefusal::WordHasComma: return Str(Txt_ImportRefusedComma);
    case ImportRefusal::WordTooLong:
        return FillIn(Str(Txt_ImportRefusedWordTooLong), {bytes, source, std::to_wstring(kWordBytes)});
    case ImportRefusal::WordNotHeld: return FillIn(Str(Txt_ImportRefusedWordNotHeld), {source});
    case ImportRefusal::TranslationTooLong:
        return FillIn(Str(Txt_ImportRefusedTranslationTooLong), {bytes, target, std::to_wstring(kListBytes)});
    case ImportRefusal::TranslationNotHeld: return FillIn(Str(Txt_ImportRefusedTranslationNotHeld), {target});
    }
    return L"";
}

bool SaveRefusedLines(const std::wstring& path, const ImportPlan& plan)
{
    // Tab-separated, so that the lines can be mended and imported again.
    std::string bytes = "\xEF\xBB\xBF";
    for (const RefusedLine& r : plan.refused) {
        std::vector<std::wstring> cells = {std::to_wstring(r.line), RefusalText(r, plan.pair)};
        for (const TableRow& row : ReadTable(r.text, TableFormat::Tsv).rows)
            for (const std::string& cell : row.cells)
                cells.push_back(FromUtf8(cell));
        bytes += TableLine(cells, TableFormat::Tsv);
    }
    return ReplaceFileContents(path, bytes);
}

bool ExportWordBook(const LanguagePair* pair, const std::wstring& path, TableFormat format, std::wstring* error)
{
    if (!pair)
        return false;
    std::string bytes = TableStart(format);
    {
        // The book is let go before the table is written: it may be the same file.
        BookWork work;
        if (!LoadBook(pair, &work))
            return ReadError(work.book.path, error);
        for (size_t i = 0; i < work.old.size(); ++i) {
            RecordView r = work.old[i];
            bytes += TableLine({r->source, r->translation}, format);
        }
    }
    return WriteTable(path, bytes, error);
}

bool ExportPracticeList(const LanguagePair* pair, const wchar_t* listName, const std::wstring& path,
                        TableFormat format, std::wstring* error)
{
    std::wstring listPath = PairListPath(pair, listName);
    std::string records;
    if (listPath.empty() || !ReadWholeFile(listPath, &records))
        return ReadError(listPath.empty() ? std::wstring(listName ? listName : L"") : listPath, error);
    int count = static_cast<int>(records.size() / sizeof(WordRecord));
    std::vector<ReviewEntry> schedule = ReadSchedule(SchedulePath(listPath), count);
    std::wstring tag = listName;
    std::replace(tag.begin(), tag.end(), L' ', L'_');
    std::string bytes = TableStart(format);
    for (int i = 0; i < count; ++i) {
        WordRecord raw;
        memcpy(&raw, records.data() + i * sizeof raw, sizeof raw);
        WideRecord r;
        ParseWordRecord(raw, pair->sourceCodePage, pair->targetCodePage, &r);
        if (IsDeleted(r))
            continue;
        std::wstring box = std::to_wstring(schedule[i].box);
        // A word never scheduled is due from the start: today, for a program that reads dates.
        int due = schedule[i].due == 0 ? Today() : schedule[i].due;
        bytes += TableLine({r.source, r.translation, box, DayText(due), tag + L" box" + box}, format);
    }
    return WriteTable(path, bytes, error);
}
