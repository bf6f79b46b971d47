#include "tests/support/install.h"
#include "tests/support/testutil.h"
#include "core/records.h"
#include <cstring>

void WriteWordBook(const std::wstring& path, const WordPairs& words, const std::vector<int>& deletedFlags,
                   int sourceCodePage, int targetCodePage)
{
    std::string bytes;
    for (size_t i = 0; i < words.size(); ++i) {
        WideRecord wide{};
        wcsncpy(wide.source, words[i].first.c_str(), kSourceChars - 1);
        wcsncpy(wide.translation, words[i].second.c_str(), kTranslationChars - 1);
        WordRecord raw;
        BuildWordRecord(wide, sourceCodePage, targetCodePage, &raw);
        raw.deleted = i < deletedFlags.size() ? static_cast<uint16_t>(deletedFlags[i]) : 0;
        bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    WriteBytes(path, bytes);
}

WordPairs ReadWordBook(const std::wstring& path, int sourceCodePage, int targetCodePage)
{
    std::string bytes = ReadBytes(path);
    WordPairs words;
    for (size_t at = 0; at + sizeof(WordRecord) <= bytes.size(); at += sizeof(WordRecord)) {
        WordRecord raw;
        memcpy(&raw, bytes.data() + at, sizeof raw);
        WideRecord wide;
        ParseWordRecord(raw, sourceCodePage, targetCodePage, &wide);
        words.emplace_back(wide.source, wide.translation);
    }
    return words;
}

void MakeSmallInstallation()
{
    InstallStrings(L"english");
    WriteBytes(L"DICT.INI",
               "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nfrancais_english.wb\n\n"
               "[Languages]\nfrancais,french,0,francais\ndeutsch,german,0,deutsch\n\n# --- EOF\n");
    MakeDir(L"books");
    MakeDir(L"lists");
    MakeDir(L"tables");
    MakeDir(L"icons");
    WriteWordBook(L"books\\francais_english.wb", {{L"bonjour", L"hello"}, {L"chat", L"cat"}, {L"\u00e9t\u00e9", L"summer"}});
    WriteWordBook(L"books\\english_francais.wb", {{L"cat", L"chat"}, {L"hello", L"bonjour"}, {L"summer", L"\u00e9t\u00e9"}});
    WriteWordBook(L"books\\deutsch_english.wb", {{L"Haus", L"house"}, {L"Katze", L"cat"}});
    WriteWordBook(L"books\\english_deutsch.wb", {{L"cat", L"Katze"}, {L"house", L"Haus"}});
    for (const wchar_t* table : {L"english", L"francais", L"deutsch"})
        CopyFileW(BuildPath(std::wstring(L"tables/") + table + L".stb").c_str(),
                  (std::wstring(L"tables\\") + table + L".stb").c_str(), FALSE);
    for (const wchar_t* icon : {L"english", L"francais", L"deutsch"})
        CopyFileW(BuildPath(std::wstring(L"assets/") + icon + L".ico").c_str(),
                  (std::wstring(L"icons\\") + icon + L".ico").c_str(), FALSE);
    for (const wchar_t* logo : {L"logo.bmp", L"logo-144.bmp", L"logo-192.bmp"})
        CopyFileW(BuildPath(std::wstring(L"assets/") + logo).c_str(), logo, FALSE);
}
