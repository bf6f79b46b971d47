// The project's agreed strings values and a scratch directory holding a
// catalogue, shared by the data-core tests.
#pragma once
#include "core/catalogue.h"
#include "core/listdirs.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/testutil.h"

inline void UseAgreedStrings(const wchar_t* mainLanguage = L"nederlands", const wchar_t* locale = L"dutch")
{
    OverrideString(Txt_PathLanguage, L"books\\");
    OverrideString(Txt_PathNameList, L"lists\\");
    OverrideString(Txt_FilenameIni, L"DICT.INI");
    OverrideString(Txt_IniLanguage, L"[Languages]");
    OverrideString(Txt_IniSelected, L"[Selected]");
    OverrideString(Txt_IniSelectedLen, L"10");
    OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
    OverrideString(Txt_MainLanguage, mainLanguage);
    OverrideString(Txt_Locale, locale);
    OverrideString(Txt_CharactersetCode, L"0");
    OverrideString(Txt_Dictionary, L"Wordbook");
    OverrideString(Txt_ErrorLocale, L"Locale not available");
    g_uiCodePage = 1252;
}

class CoreTest : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        UseAgreedStrings();
        ResetState();
    }
    void TearDown() override
    {
        ResetState();
        ScratchDirTest::TearDown();
    }
    static void ResetState()
    {
        g_catalogue.entries.clear();
        g_catalogue.current = nullptr;
        ResetSession();
    }
};
