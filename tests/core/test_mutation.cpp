// Damaged files of every kind the core reads, made from good ones with fixed
// seeds: nothing may crash, and what the readers give back stays in its limits.
#include "core/collate.h"
#include "tests/core/corefixture.h"
#include <cwchar>
#include <random>

namespace {

std::string Mutate(std::string data, std::mt19937& rng)
{
    switch (rng() % 6) {
    case 0:  // cut anywhere
        data.resize(data.empty() ? 0 : rng() % data.size());
        break;
    case 1:  // random bytes
        for (int n = 1 + static_cast<int>(rng() % 16); n > 0 && !data.empty(); --n)
            data[rng() % data.size()] = static_cast<char>(rng());
        break;
    case 2:  // zeros
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0 && !data.empty(); --n)
            data[rng() % data.size()] = '\0';
        break;
    case 3:  // a long run of one character somewhere
        data.insert(data.empty() ? 0 : rng() % data.size(), 100 + rng() % 400, "x,\n#"[rng() % 4]);
        break;
    case 4:  // line ends removed
        for (auto& c : data)
            if (c == '\n' && rng() % 2)
                c = 'y';
        break;
    default:  // bytes dropped
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0 && !data.empty(); --n)
            data.erase(rng() % data.size(), 1);
        break;
    }
    return data;
}

bool Terminated(const wchar_t* field, size_t size) { return wmemchr(field, L'\0', size) != nullptr; }

class Mutation : public CoreTest {};

TEST_F(Mutation, WordBooks)
{
    std::string good;
    for (const char* w : {"apple", "bar", "foo", "table", "zebra"}) {
        WordRecord r{};
        strcpy(r.source, w);
        strcpy(r.translation, "one, two");
        good.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    WriteBytes(L"DICT.INI", "[Languages]\nenglish,english,0\n");
    MakeDir(L"books");
    std::mt19937 rng(1);
    for (int round = 0; round < 150; ++round) {
        std::string bad = Mutate(good, rng);
        WriteBytes(L"books\\eng_ned.wb", bad);
        ASSERT_EQ(0, LoadCatalogue());
        g_catalogue.current = g_catalogue.entries[0].get();
        OpenPairFiles();
        CountRecords();
        ASSERT_EQ(static_cast<int>(bad.size() / kRecordSize), g_session.book.count);
        for (int i = 0; i < g_session.book.count; ++i) {
            ASSERT_EQ(0, ReadWordRecord(i));
            ASSERT_TRUE(Terminated(g_session.record.source, kSourceChars));
            ASSERT_TRUE(Terminated(g_session.record.translation, kTranslationChars));
        }
        ASSERT_EQ(-1, ReadWordRecord(g_session.book.count));
        for (const wchar_t* w : {L"", L"a", L"foo", L"zzzz"}) {
            int at = FindWordPosition(w);
            ASSERT_GE(at, 0);
            ASSERT_LE(at, g_session.book.count);
        }
        ClosePairFiles();
    }
}

TEST_F(Mutation, Catalogues)
{
    const std::string good =
        "# header\n\n[Addnew]\n\n[Selected]\nfrancais_nederlands.wb\n\n[Languages]\n"
        "english,english,0,english\nfrancais,french,0,francais\ngreek,greek,161,greek\n\n# --- EOF\n";
    std::mt19937 rng(2);
    MakeDir(L"books");
    for (int round = 0; round < 150; ++round) {
        std::string bad = Mutate(good, rng);
        WriteBytes(L"DICT.INI", bad);
        if (LoadCatalogue() != 0)
            continue;
        ASSERT_EQ(0, g_catalogue.count() % 2);
        for (auto& e : g_catalogue.entries) {
            ASSERT_TRUE(Terminated(e->sourceName, 100));
            ASSERT_TRUE(Terminated(e->wordBookFile, 13));
            ASSERT_TRUE(Terminated(e->longWordBookFile, 205));
            ASSERT_TRUE(Terminated(e->sourceLocale, 20));
        }
        int entries = g_catalogue.count();
        SelectFromCatalogueFile();
        ASSERT_NE(nullptr, CurrentPair());
        // Recording the choice keeps every other line: the catalogue reads the same.
        for (auto& e : g_catalogue.entries)
            WriteBytes(std::wstring(L"books\\") + PairWordBookFile(e.get()), "");
        MessageCapture capture;
        ActivateCurrentPair(CurrentPair());
        ClosePairFiles();
        ASSERT_EQ(0, LoadCatalogue()) << "before:\n" << bad << "\nafter:\n" << ReadBytes(L"DICT.INI");
        ASSERT_EQ(entries, g_catalogue.count());
    }
}

TEST_F(Mutation, CollationTables)
{
    std::string good = ReadBytes(BuildPath(L"tables/english.stb"));
    ASSERT_EQ(256u, good.size());
    auto pair = std::make_unique<LanguagePair>();
    wcscpy(pair->sourceName, L"english");
    pair->sourceCodePage = 1252;
    pair->hasSortTable = 1;
    g_catalogue.entries.push_back(std::move(pair));
    g_catalogue.current = g_catalogue.entries[0].get();
    MakeDir(L"tables");
    std::mt19937 rng(3);
    MessageCapture capture;
    for (int round = 0; round < 100; ++round) {
        std::string bad = Mutate(good, rng);
        WriteBytes(L"tables\\english.stb", bad);
        unsigned char before[kSortTableSize];
        memcpy(before, g_session.collation.table, sizeof before);
        LoadSortTable(CurrentPair(), &g_session.collation);
        if (bad.size() < kSortTableSize) {
            ASSERT_EQ(0, memcmp(before, g_session.collation.table, sizeof before)) << "a short table changed the one in force";
        }
        const wchar_t* words[] = {L"apple", L"Apple", L"e-mail", L"\u00e9t\u00e9", L"", L"zebra"};
        for (const wchar_t* a : words)
            for (const wchar_t* b : words) {
                int ab = CompareWords(a, b), ba = CompareWords(b, a);
                ASSERT_TRUE(ab >= -1 && ab <= 1);
                ASSERT_EQ(ab, -ba);
            }
    }
}

TEST_F(Mutation, StringsFiles)
{
    std::string good = ReadBytes(BuildPath(L"strings/english.str"));
    ASSERT_FALSE(good.empty());
    std::mt19937 rng(4);
    int loaded = 0;
    for (int round = 0; round < 120; ++round) {
        std::string bad = Mutate(good, rng);
        WriteBytes(L"damaged.str", bad);
        std::string missing;
        if (!LoadUiStringsFromFile(L"damaged.str", &missing))
            continue;
        ++loaded;
        for (int id = 0; id < Txt_Count; ++id)
            ASSERT_LE(wcslen(Str(static_cast<StringId>(id))), bad.size());
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(Mutation, ListsRoots)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        if (round % 2) {
            WriteBytes(L"lists", std::string(rng() % 50, 'x'));
        } else {
            DeleteFileW(L"lists");
            MakeDir(L"lists");
            MakeDir(L"lists\\" + std::to_wstring(rng()));
            WriteBytes(L"lists\\" + std::to_wstring(rng()), "plain");
        }
        int n = CountLists();
        ASSERT_GE(n, 0);
        std::wstring first = FirstListName();
        ASSERT_EQ(n == 0, first.empty());
        ASSERT_LT(first.size(), static_cast<size_t>(kListNameChars));
        if (round % 2 == 0) {
            // Empties the root for the next round's plain file.
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW(L"lists\\*", &fd);
            do {
                std::wstring p = std::wstring(L"lists\\") + fd.cFileName;
                if (fd.cFileName[0] != L'.')
                    (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(p.c_str()) : DeleteFileW(p.c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
            RemoveDirectoryW(L"lists");
        }
    }
}

} // namespace
