// Unattended installation of each built medium into a fresh directory.
#include "core/codepage.h"
#include "core/collate.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/e2e/e2e.h"
#include <cstring>
#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace {

struct Pair {
    std::string longName;
    int charset;
};

std::vector<Pair> PairsOf(const wchar_t* language)
{
    std::vector<Pair> pairs;
    std::istringstream cf(ReadBytes(MediumPath(language) + L"\\LANGUAGE.CF"));
    std::string line;
    int n = 0;
    while (std::getline(cf, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (n++ % 3)
            continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, ',');)
            f.push_back(x);
        pairs.push_back({f.at(3), std::stoi(f.at(2))});
    }
    return pairs;
}

std::vector<WordRecord> Records(const std::wstring& path)
{
    std::string bytes = ReadBytes(path);
    std::vector<WordRecord> records(bytes.size() / sizeof(WordRecord));
    memcpy(records.data(), bytes.data(), records.size() * sizeof(WordRecord));
    return records;
}

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

// The reverse word book worked out the plain way: every translation of every
// record becomes a word of its own; equal words collect their foreign words
// in the order they came, while the list stays under 50 characters.
std::map<std::string, std::string> ExpectedReverse(const std::vector<WordRecord>& delivered)
{
    std::map<std::string, std::string> merged;
    for (const WordRecord& r : delivered) {
        std::string foreign = Field(r.source, sizeof r.source);
        std::string translations = Field(r.translation, sizeof r.translation);
        if (foreign.empty())
            continue;
        std::istringstream parts(translations);
        for (std::string part; std::getline(parts, part, ',');) {
            part.erase(0, part.find_first_not_of(' '));
            if (part.empty() || part.size() > 30 || foreign.size() > 50)
                continue;
            auto [it, fresh] = merged.try_emplace(part, foreign);
            if (!fresh && foreign.size() + it->second.size() + 2 < 50)
                it->second += ", " + foreign;
        }
    }
    return merged;
}

class Install : public ScratchDirTest {
protected:
    void CheckMedium(const wchar_t* language, const char* main)
    {
        std::wstring target = dir_ + L"\\Word Book";
        ProcessRun run = InstallMedium(language, target);
        ASSERT_EQ(0u, run.exitCode) << run.errors;

        // The catalogue: created header, the selection, the sorted block, the
        // two empty lines and the end marker it was created with.
        std::vector<Pair> pairs = PairsOf(language);
        std::string ini = WithoutCr(ReadBytes(target + L"\\DICT.INI"));
        EXPECT_EQ('#', ini[0]);
        EXPECT_NE(std::string::npos, ini.find("\n[Addnew]\n"));
        EXPECT_NE(std::string::npos, ini.find("\n[Selected]\n" + pairs[0].longName + "_" + main + ".wb\n"));
        std::string block = "[Languages]\n";
        std::vector<std::string> names;
        for (const Pair& p : pairs)
            names.push_back(p.longName);
        std::sort(names.begin(), names.end());
        std::istringstream cf(ReadBytes(MediumPath(language) + L"\\LANGUAGE.CF"));
        std::map<std::string, std::string> lines;
        int n = 0;
        for (std::string line; std::getline(cf, line);)
            if (!line.empty() && line[0] != '#' && n++ % 3 == 0)
                lines[line.substr(line.rfind(',') + 1)] = line;
        for (const auto& name : names)
            block += lines[name] + "\n";
        block += "\n\n# --- EOF " + std::string(56, '-') + "\n";
        ASSERT_GE(ini.size(), block.size());
        EXPECT_EQ(block, ini.substr(ini.size() - block.size()));
        EXPECT_FALSE(FileExists(target + L"\\LANGUAGE.CF"));

        // Every reverse word book: sorted by the table wordbook searches it
        // by, the main language's, and holding exactly the inversion of the
        // delivered one.
        unsigned char table[kSortTableSize];
        ASSERT_TRUE(ReadSortTableFile((target + L"\\tables\\" + Widen(main) + L".stb").c_str(), table));
        for (const Pair& p : pairs) {
            std::wstring delivered = target + L"\\books\\" + Widen(p.longName + "_" + main + ".wb");
            std::wstring reverse = target + L"\\books\\" + Widen(std::string(main) + "_" + p.longName + ".wb");
            std::vector<WordRecord> in = Records(delivered), out = Records(reverse);
            ASSERT_GT(in.size(), 1000u) << p.longName;
            std::map<std::string, std::string> expected = ExpectedReverse(in), got;
            std::vector<unsigned char> previous;
            for (const WordRecord& r : out) {
                std::string word = Field(r.source, sizeof r.source);
                got[word] = Field(r.translation, sizeof r.translation);
                EXPECT_EQ(0, r.deleted);
                unsigned char key[kSortKeyBuffer];
                int len = MakeSortKey(reinterpret_cast<const unsigned char*>(word.c_str()), table, key);
                if (!previous.empty()) {
                    ASSERT_LE(CompareSortKeys(previous.data(), static_cast<int>(previous.size()), key, len), 0)
                        << p.longName << ": " << word;
                }
                previous.assign(key, key + len);
            }
            EXPECT_EQ(expected.size(), out.size()) << p.longName << ": equal words were written twice";
            EXPECT_TRUE(expected == got) << p.longName;
        }

        // What else the script leaves: settings, the uninstall file, the shortcut.
        wchar_t text[256];
        GetProfileStringW(L"Dictionary", L"languagefont", L"", text, 256);
        EXPECT_STREQ(L"Times New Roman", text);
        GetProfileStringW(L"Dictionary", L"AviDelay", L"", text, 256);
        EXPECT_STREQ(L"2000", text);
        GetPrivateProfileStringW(L"Dictionary", L"program", L"", text, 256, (target + L"\\uninstall.ini").c_str());
        EXPECT_EQ(target, text);
        GetPrivateProfileStringW(L"Dictionary", L"icon", L"", text, 256, (target + L"\\uninstall.ini").c_str());
        std::wstring shortcut = std::wstring(text) + L"\\" +
                                (language == std::wstring(L"english") ? L"Wordbook" : L"Woordenboek") + L".lnk";
        EXPECT_TRUE(FileExists(shortcut)) << Narrow(shortcut);
        EXPECT_EQ(0u, std::wstring(text).find(ProgramsFolder()));

        // The user adds words to a pair's books in both directions.
        std::wstring books = target + L"\\books\\";
        std::wstring delivered = Widen(pairs[0].longName + "_" + main + ".wb");
        std::wstring reverse = Widen(std::string(main) + "_" + pairs[0].longName + ".wb");
        std::string deliveredBytes = ReadBytes(books + delivered), reverseBytes = ReadBytes(books + reverse);
        WordRecord added{};
        strcpy(added.source, "zzadded");
        strcpy(added.translation, "zzmine");
        std::string addedBytes(reinterpret_cast<const char*>(&added), sizeof added);
        WriteBytes(books + delivered, deliveredBytes + addedBytes);
        WriteBytes(books + reverse, reverseBytes + addedBytes);

        // Installing again adds no second line for any pair, and keeps those
        // two books, and only those, where the closing report says.
        run = InstallMedium(language, target);
        ASSERT_EQ(0u, run.exitCode) << run.errors;
        std::string again = WithoutCr(ReadBytes(target + L"\\DICT.INI"));
        EXPECT_EQ(block, again.substr(again.size() - block.size()));
        EXPECT_EQ(ini, again);
        EXPECT_EQ(deliveredBytes, ReadBytes(books + delivered));
        EXPECT_EQ(reverseBytes, ReadBytes(books + reverse));
        std::vector<std::wstring> kept;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((books + L"backup\\*.*").c_str(), &fd);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                kept.push_back(fd.cFileName);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        ASSERT_EQ(2u, kept.size());
        if (kept[0].find(delivered + L".") != 0)
            std::swap(kept[0], kept[1]);
        EXPECT_EQ(0u, kept[0].find(delivered + L".")) << Narrow(kept[0]);
        EXPECT_EQ(0u, kept[1].find(reverse + L".")) << Narrow(kept[1]);
        EXPECT_EQ(deliveredBytes + addedBytes, ReadBytes(books + L"backup\\" + kept[0]));
        EXPECT_EQ(reverseBytes + addedBytes, ReadBytes(books + L"backup\\" + kept[1]));
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile((target + L"\\strings\\" + language + L".str").c_str(), &missing));
        EXPECT_NE(std::string::npos, run.errors.find(Narrow(Str(Txt_Install_Kept)) + " " + Narrow(books + L"backup")))
            << run.errors;
    }
};

TEST_F(Install, EnglishMedium) { CheckMedium(L"english", "english"); }
TEST_F(Install, DutchMedium) { CheckMedium(L"nederlands", "nederlands"); }

} // namespace
