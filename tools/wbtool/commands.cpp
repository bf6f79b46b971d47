#include "tools/wbtool/wbtool.h"
#include "version.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include <cstring>
#include <cwchar>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFile = 1;
constexpr int kExitUsage = 2;
// Problems of one kind listed by check before it only counts them.
constexpr long kListedProblems = 20;

const char kUsage[] =
    "usage:\n"
    "  wbtool --version\n"
    "  wbtool import --format dictd|tsv|csv SRC OUT.wb --source-charset N --target-charset N\n"
    "                [--table FILE.stb | --locale NAME] [--header] [--verbose]\n"
    "  wbtool export WB --source-charset N --target-charset N [--format tsv|csv] [--deleted]\n"
    "  wbtool check WB --source-charset N --target-charset N [--table FILE.stb | --locale NAME]\n"
    "\n"
    "Input and output text is UTF-8. N is a font character-set number (0 Western,\n"
    "161 Greek, 204 Cyrillic, 238 Central European, ...).\n"
    "  dictd SRC   the .index file or its stem; the .dict.dz (or .dict) lies beside it\n"
    "  tsv         word TAB translations, one entry a line\n"
    "  csv         first column the word, second the translations (',' or ';' between\n"
    "              columns, quotes as spreadsheets write them)\n"
    "  --header    the first line of a TSV or CSV file names the columns; skip it\n"
    "  --verbose   list every word left out or cut, on stderr\n"
    "  --table     order by this collation table; --locale: by this locale's collation;\n"
    "              neither: A to Z without case, then character codes\n"
    "  --deleted   export records marked deleted too, with a third column: the flag\n"
    "Exit codes: 0 done (check: no damage), 1 file error (check: damage found), 2 usage error.\n";

struct Options {
    std::wstring command;
    std::vector<std::wstring> args;
    std::wstring format, table, locale;
    int sourceCharset = -1, targetCharset = -1;
    bool deleted = false, header = false, verbose = false, help = false, version = false;
};

void Put(FILE* f, std::string_view text)
{
    fwrite(text.data(), 1, text.size(), f);
}

void Put(FILE* f, const std::wstring& text)
{
    Put(f, WideToUtf8(text));
}

int UsageError(FILE* err, const std::wstring& message)
{
    Put(err, L"wbtool: " + message + L"\n\n");
    Put(err, kUsage);
    return kExitUsage;
}

int FileError(FILE* err, const std::wstring& message)
{
    Put(err, L"wbtool: " + message + L"\n");
    return kExitFile;
}

bool ParseCharset(const std::wstring& text, int* value)
{
    if (text.empty() || text.size() > 5)
        return false;
    int v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        v = v * 10 + (c - L'0');
    }
    *value = v;
    return true;
}

// Returns an empty string, or what is wrong with the command line.
std::wstring ParseOptions(int argc, wchar_t** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (!arg.starts_with(L"-") || arg == L"-") {
            if (o->command.empty())
                o->command = arg;
            else
                o->args.push_back(arg);
            continue;
        }
        std::wstring name = arg, value;
        bool inlineValue = false;
        if (size_t eq = arg.find(L'='); eq != std::wstring::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (inlineValue)
                return true;
            if (i + 1 >= argc)
                return false;
            value = argv[++i];
            return true;
        };
        if (name == L"--help" || name == L"-h" || name == L"/?") {
            o->help = true;
        } else if (name == L"--version") {
            if (inlineValue)
                return name + L" takes no value";
            o->version = true;
        } else if (name == L"--deleted" || name == L"--header" || name == L"--verbose") {
            if (inlineValue)
                return name + L" takes no value";
            (name == L"--deleted" ? o->deleted : name == L"--header" ? o->header : o->verbose) = true;
        } else if (name == L"--format" || name == L"--table" || name == L"--locale") {
            if (!takeValue() || value.empty())
                return name + L" needs a value";
            (name == L"--format" ? o->format : name == L"--table" ? o->table : o->locale) = value;
        } else if (name == L"--source-charset" || name == L"--target-charset") {
            int v;
            if (!takeValue())
                return name + L" needs a value";
            if (!ParseCharset(value, &v))
                return name + L" needs a character-set number, not \"" + value + L"\"";
            (name == L"--source-charset" ? o->sourceCharset : o->targetCharset) = v;
        } else {
            return L"unknown option " + arg;
        }
    }
    return {};
}

// What every command needs: the charsets, and for import and check the order.
std::wstring CheckCommon(const Options& o, size_t positional)
{
    if (o.args.size() != positional)
        return o.command + L" takes " + std::to_wstring(positional) + L" file name" + (positional > 1 ? L"s" : L"") +
               L", not " + std::to_wstring(o.args.size());
    if (o.sourceCharset < 0)
        return L"--source-charset is missing";
    if (o.targetCharset < 0)
        return L"--target-charset is missing";
    if (!o.table.empty() && !o.locale.empty())
        return L"--table and --locale exclude each other";
    return {};
}

// Sets up the order asked for; returns an exit code other than 0 on failure.
int PrepareCollation(const Options& o, WordOrder* c, FILE* err)
{
    if (!o.table.empty()) {
        c->mode = WordOrder::Table;
        if (!ReadSortTableFile(o.table.c_str(), c->table))
            return FileError(err, L"can't read collation table " + o.table + L" (it must hold 256 bytes)");
    } else if (!o.locale.empty()) {
        c->mode = WordOrder::Locale;
        if (!ApplyPairLocale(o.locale.c_str()))
            return UsageError(err, L"unknown locale \"" + o.locale + L"\"");
    }
    return kExitOk;
}

void SummaryLine(FILE* out, const char* label, long value)
{
    char line[120];
    snprintf(line, sizeof line, "  %-44s %ld\n", label, value);
    Put(out, line);
}

int Import(const Options& o, FILE* out, FILE* err)
{
    if (std::wstring problem = CheckCommon(o, 2); !problem.empty())
        return UsageError(err, problem);
    if (o.format != L"dictd" && o.format != L"tsv" && o.format != L"csv")
        return UsageError(err, o.format.empty() ? L"import needs --format dictd, tsv or csv"
                                                : L"unknown import format \"" + o.format + L"\"");
    if (o.deleted)
        return UsageError(err, L"--deleted belongs to export");
    if (o.header && o.format == L"dictd")
        return UsageError(err, L"--header belongs to TSV and CSV input");
    WordOrder collation;
    if (int rc = PrepareCollation(o, &collation, err))
        return rc;
    const std::wstring& src = o.args[0];
    const std::wstring& target = o.args[1];

    ImportStats stats;
    std::vector<SourceEntry> entries;
    if (o.format == L"dictd") {
        std::wstring error;
        if (!ReadDictd(src, &entries, &stats, &error))
            return FileError(err, error);
    } else {
        std::string data;
        if (!ReadWholeFile(src, &data))
            return FileError(err, L"can't read " + src);
        if (o.format == L"tsv")
            ReadTsv(data, o.header, &entries, &stats);
        else
            ReadCsv(data, o.header, &entries, &stats);
    }
    entries = MergeEntries(std::move(entries), &stats);
    auto records = BuildRecords(entries, CharsetToCodePage(o.sourceCharset), CharsetToCodePage(o.targetCharset),
                                collation, &stats, o.verbose ? err : nullptr);
    entries.clear();
    std::wstring error;
    if (!WriteWordBook(target, records, &error))
        return FileError(err, error);

    Put(out, L"imported " + src + L" into " + target + L"\n");
    SummaryLine(out, "entries read", stats.entriesRead);
    SummaryLine(out, "records written", stats.written);
    SummaryLine(out, "duplicate words merged", stats.merged);
    SummaryLine(out, "words without translation", stats.noTranslation);
    SummaryLine(out, "words too long (over 30 bytes)", stats.wordTooLong);
    SummaryLine(out, "words the code page can't hold", stats.wordUnrepresentable);
    SummaryLine(out, "words left out: no translation fits", stats.noItemFits);
    SummaryLine(out, "records with translations cut to fit", stats.recordsCut);
    SummaryLine(out, "translations left out for room", stats.itemsCut);
    SummaryLine(out, "translations the code page can't hold", stats.itemsUnrepresentable);
    SummaryLine(out, "unreadable entries", stats.unreadable);
    if (stats.unterminatedQuotes)
        SummaryLine(out, "quoted fields still open at the end", stats.unterminatedQuotes);
    return kExitOk;
}

std::string TsvField(const wchar_t* text)
{
    std::string s = WideToUtf8(text);
    for (auto& c : s)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return s;
}

std::string CsvField(const wchar_t* text)
{
    std::string s = WideToUtf8(text);
    bool quote = s.find_first_of(",;\"\r\n") != std::string::npos || (!s.empty() && (s.front() == ' ' || s.back() == ' '));
    if (!quote)
        return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + '"';
}

int Export(const Options& o, FILE* out, FILE* err)
{
    if (std::wstring problem = CheckCommon(o, 1); !problem.empty())
        return UsageError(err, problem);
    if (!o.format.empty() && o.format != L"tsv" && o.format != L"csv")
        return UsageError(err, L"unknown export format \"" + o.format + L"\"");
    if (!o.table.empty() || !o.locale.empty() || o.header)
        return UsageError(err, L"export takes no --table, --locale or --header");
    bool csv = o.format == L"csv";
    int sourceCodePage = CharsetToCodePage(o.sourceCharset);
    int targetCodePage = CharsetToCodePage(o.targetCharset);
    UniqueFile f(_wfopen(o.args[0].c_str(), L"rb"));
    if (!f)
        return FileError(err, L"can't open " + o.args[0]);
    std::vector<WordRecord> chunk(4096);
    std::string text;
    size_t n;
    while ((n = fread(chunk.data(), sizeof(WordRecord), chunk.size(), f.get())) > 0) {
        text.clear();
        for (size_t i = 0; i < n; ++i) {
            if (chunk[i].deleted != 0 && !o.deleted)
                continue;
            WideRecord w;
            ParseWordRecord(chunk[i], sourceCodePage, targetCodePage, &w);
            text += csv ? CsvField(w.source) : TsvField(w.source);
            text += csv ? ',' : '\t';
            text += csv ? CsvField(w.translation) : TsvField(w.translation);
            if (o.deleted) {
                text += csv ? ',' : '\t';
                text += std::to_string(chunk[i].deleted);
            }
            text += '\n';
        }
        Put(out, text);
    }
    if (ferror(f.get()))
        return FileError(err, L"can't read " + o.args[0]);
    return kExitOk;
}

// Lists the first problems of a kind, then only counts them.
struct ProblemList {
    long count = 0;
    void Add(FILE* out, const std::wstring& text)
    {
        if (++count <= kListedProblems)
            Put(out, L"  " + text + L"\n");
    }
    void Close(FILE* out, const char* kind)
    {
        if (count > kListedProblems)
            Put(out, "  ... " + std::to_string(count - kListedProblems) + " more " + kind + "\n");
    }
};

std::wstring Quoted(const wchar_t* text)
{
    return L"\"" + std::wstring(text) + L"\"";
}

int Check(const Options& o, FILE* out, FILE* err)
{
    if (std::wstring problem = CheckCommon(o, 1); !problem.empty())
        return UsageError(err, problem);
    if (!o.format.empty() || o.deleted || o.header)
        return UsageError(err, L"check takes no --format, --deleted or --header");
    WordOrder collation;
    if (int rc = PrepareCollation(o, &collation, err))
        return rc;
    int sourceCodePage = CharsetToCodePage(o.sourceCharset);
    int targetCodePage = CharsetToCodePage(o.targetCharset);
    std::string data;
    if (!ReadWholeFile(o.args[0], &data))
        return FileError(err, L"can't read " + o.args[0]);
    size_t count = data.size() / sizeof(WordRecord);
    size_t partial = data.size() % sizeof(WordRecord);
    std::vector<WordRecord> records(count);
    if (count)
        memcpy(records.data(), data.data(), count * sizeof(WordRecord));
    data.clear();

    Put(out, o.args[0] + L": " + std::to_wstring(count) + L" records\n");
    if (partial)
        Put(out, L"  " + std::to_wstring(partial) + L" bytes of a partial record at the end\n");
    ProblemList fields, flags;
    WideRecord w;
    for (size_t i = 0; i < count; ++i) {
        const WordRecord& r = records[i];
        bool sourceOpen = !memchr(r.source, 0, sizeof r.source);
        bool translationOpen = !memchr(r.translation, 0, sizeof r.translation);
        if (sourceOpen || translationOpen) {
            ParseWordRecord(r, sourceCodePage, targetCodePage, &w);
            if (sourceOpen)
                fields.Add(out, L"record " + std::to_wstring(i) + L": source word without terminator " + Quoted(w.source));
            if (translationOpen)
                fields.Add(out, L"record " + std::to_wstring(i) + L": translation without terminator " +
                                    Quoted(w.translation));
        }
        if (r.deleted > 1)
            flags.Add(out, L"record " + std::to_wstring(i) + L": deleted flag " + std::to_wstring(r.deleted));
    }
    fields.Close(out, "fields without terminator");
    flags.Close(out, "bad flags");

    // Sorting all records keeps the order of equal words, so only a record that
    // sorts strictly before its predecessor breaks the order.
    ProblemList order;
    for (size_t i = 1; i < count; ++i) {
        if (CompareRecordWords(records[i - 1], records[i], sourceCodePage, collation) > 0) {
            WideRecord a, b;
            ParseWordRecord(records[i - 1], sourceCodePage, targetCodePage, &a);
            ParseWordRecord(records[i], sourceCodePage, targetCodePage, &b);
            order.Add(out, L"record " + std::to_wstring(i) + L": " + Quoted(b.source) + L" sorts before " +
                               Quoted(a.source) + L" of record " + std::to_wstring(i - 1));
        }
    }
    order.Close(out, "order breaks");

    long problems = (partial ? 1 : 0) + fields.count + flags.count + order.count;
    if (problems == 0) {
        Put(out, "no problems found\n");
        return kExitOk;
    }
    Put(out, "problems: " + std::to_string(partial ? 1 : 0) + " partial record, " + std::to_string(fields.count) +
                 " fields without terminator, " + std::to_string(flags.count) + " bad flags, " +
                 std::to_string(order.count) + " order breaks\n");
    return kExitFile;
}

}  // namespace

int RunWbTool(int argc, wchar_t** argv, FILE* out, FILE* err)
{
    Options o;
    if (std::wstring problem = ParseOptions(argc, argv, &o); !problem.empty())
        return UsageError(err, problem);
    if (o.help || o.command == L"help") {
        Put(out, kUsage);
        return kExitOk;
    }
    if (o.version) {
        Put(out, "wbtool " WB_VERSION_TEXT "\n");
        return kExitOk;
    }
    if (o.command.empty())
        return UsageError(err, L"no command given");
    if (o.command == L"import")
        return Import(o, out, err);
    if (o.command == L"export")
        return Export(o, out, err);
    if (o.command == L"check")
        return Check(o, out, err);
    return UsageError(err, L"unknown command \"" + o.command + L"\"");
}
