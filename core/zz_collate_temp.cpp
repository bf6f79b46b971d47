// TEMPORARY stand-ins for the catalogue and record store, only so that the
// collation code and its tests link on this branch. Delete this file when the
// real catalogue.cpp and records.cpp arrive; nothing else refers to it.
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/records.h"
#include <clocale>
#include <cstring>

PairCatalogue g_catalogue;

static bool g_localeSet = false;

bool ApplyPairLocale(const wchar_t* localeName)
{
    char name[64];
    if (WideCharToMultiByte(CP_ACP, 0, localeName, -1, name, sizeof name, nullptr, nullptr) == 0)
        return false;
    if (!setlocale(LC_COLLATE, name))
        return false;
    g_localeSet = true;
    return true;
}

bool PairLocaleIsSet() { return g_localeSet; }

WideRecord currentRecord;
FILE* wordBookFile = nullptr;
int wordBookCount = 0;

void BuildWordRecord(const WideRecord& in, int sourceCodePage, int targetCodePage, WordRecord* out)
{
    memset(out, 0, sizeof *out);
    ToNarrowField(in.source, out->source, kSourceChars, sourceCodePage);
    ToNarrowField(in.translation, out->translation, kTranslationChars, targetCodePage);
    out->deleted = in.deleted;
}

int ReadWordRecord(int index)
{
    const LanguagePair* pair = CurrentPair();
    if (!wordBookFile || !pair || index < 0 || index > wordBookCount)
        return -1;
    WordRecord rec;
    if (fseek(wordBookFile, static_cast<long>(index) * kRecordSize, SEEK_SET) != 0 ||
        fread(&rec, kRecordSize, 1, wordBookFile) != 1)
        return -1;
    ToWideField(rec.source, kSourceChars, currentRecord.source, kSourceChars, pair->sourceCodePage);
    ToWideField(rec.translation, kTranslationChars, currentRecord.translation, kTranslationChars, pair->targetCodePage);
    currentRecord.deleted = rec.deleted;
    return 0;
}
