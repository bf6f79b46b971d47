#include "core/records.h"
#include <cerrno>
#include "core/codepage.h"
#include "core/fileutil.h"
#include <climits>
#include <io.h>
#include <cstring>
#include <cwchar>

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

bool OpenWordBook(WordBook* book, const std::wstring& path, int sourceCodePage, int targetCodePage, bool create)
{
    CloseWordBook(book);
    book->path = path;
    book->sourceCodePage = sourceCodePage;
    book->targetCodePage = targetCodePage;
    if (path.empty())
        return false;
    book->file.reset(OpenFileForUpdate(path.c_str()));
    // A book the user may only read (an installation made for all users)
    // still opens for looking words up; its writes then fail and say so.
    if (!book->file && errno == EACCES)
        book->file.reset(_wfopen(path.c_str(), L"rb"));
    if (!book->file && create)
        book->file.reset(_wfopen(path.c_str(), L"w+b"));
    CountBookRecords(book);
    return book->isOpen();
}

void CloseWordBook(WordBook* book)
{
    book->file.reset();
    book->count = 0;
}

int RecordsInFile(FILE* f)
{
    if (!f || _fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    long long size = _ftelli64(f);
    if (size <= 0)
        return 0;
    long long n = size / kRecordSize;
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

void CountBookRecords(WordBook* book) { book->count = RecordsInFile(book->file.get()); }

int ReadRecord(const WordBook& book, int index, WideRecord* out)
{
    FILE* f = book.file.get();
    if (!f || index < 0 || index >= book.count)
        return -1;
    WordRecord rec;
    if (_fseeki64(f, static_cast<long long>(index) * kRecordSize, SEEK_SET) != 0 || fread(&rec, sizeof rec, 1, f) != 1)
        return -1;
    ParseWordRecord(rec, book.sourceCodePage, book.targetCodePage, out);
    return 0;
}

int WriteRecord(const WordBook& book, int index, const WideRecord& in)
{
    FILE* f = book.file.get();
    // Writing beyond the end would leave a gap of zero records in the file.
    if (!f || index < 0 || index > book.count)
        return -1;
    if (_fseeki64(f, static_cast<long long>(index) * kRecordSize, SEEK_SET) != 0)
        return -1;
    return WriteRecordTo(f, in, book.sourceCodePage, book.targetCodePage);
}

// Puts back what the record's place held before a failed write: the old
// bytes, and the old end of the file when the write went past it.
static void RestorePlace(FILE* file, long long at, const char* old, size_t oldBytes, long long oldSize)
{
    fflush(file);
    clearerr(file);
    if (oldBytes && _fseeki64(file, at, SEEK_SET) == 0)
        fwrite(old, 1, oldBytes, file);
    fflush(file);
    if (oldSize >= 0 && oldSize < at + kRecordSize)
        _chsize_s(_fileno(file), oldSize);
    clearerr(file);
    _fseeki64(file, at, SEEK_SET);
}

int WriteRecordTo(FILE* file, const WideRecord& in, int sourceCodePage, int targetCodePage)
{
    if (!file || fflush(file) != 0)
        return -1;
    WordRecord rec;
    BuildWordRecord(in, sourceCodePage, targetCodePage, &rec);
    long long at = _ftelli64(file);
    long long size = _filelengthi64(_fileno(file));
    if (at < 0 || size < 0)
        return -1;
    char old[kRecordSize];
    size_t oldBytes = at < size ? fread(old, 1, sizeof old, file) : 0;
    if (_fseeki64(file, at, SEEK_SET) != 0)
        return -1;
    // Flushed at once, so whoever opens the file by name next sees the record.
    if (WriteToFile(file, &rec, sizeof rec) && FlushWrites(file))
        return 0;
    RestorePlace(file, at, old, oldBytes, size);
    return -1;
}

int FindWordPosition(const WordBook& book, const Collation& c, const wchar_t* word, WideRecord* last)
{
    int count = book.count;
    if (count <= 0)
        return 0;
    // Callers may pass the text of *last itself, which every read replaces.
    const std::wstring sought(word);
    int lo = 0, hi = count - 1, mid = 0;
    bool found = false;
    while (lo <= hi && !found) {
        mid = lo + (hi - lo) / 2;
        // A record that can't be read (a file shorter than its count) is taken
        // as lying beyond the word, so the search moves towards readable records.
        int r = ReadRecord(book, mid, last) == 0 ? CompareWords(c, last->source, sought.c_str()) : 1;
        if (r == 0)
            found = true;
        else if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    int result = found || mid == lo ? mid : mid + 1;
    return result < count ? result : count;
}
