#include "core/uistrings.h"

const char* const kStringNames[Txt_Count] = {
#define X(name) #name,
#include "core/string_names.h"
#undef X
};

int g_uiCharset = 0;
int g_uiCodePage = 1252;
std::vector<const wchar_t*> g_foreignFontFaces;

static const wchar_t* g_values[Txt_Count];

const wchar_t* Str(StringId id)
{
    const wchar_t* v = (id >= 0 && id < Txt_Count) ? g_values[id] : nullptr;
    return v ? v : L"";
}

void OverrideString(StringId id, const wchar_t* value)
{
    if (id >= 0 && id < Txt_Count)
        g_values[id] = value;
}
