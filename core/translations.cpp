#include "core/translations.h"

std::wstring TrimSpaces(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return L"";
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::vector<std::wstring> TranslationParts(const std::wstring& translation)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= translation.size()) {
        size_t comma = translation.find(L',', start);
        if (comma == std::wstring::npos)
            comma = translation.size();
        size_t first = translation.find_first_not_of(L' ', start);
        if (first != std::wstring::npos && first < comma) {
            size_t last = translation.find_last_not_of(L' ', comma - 1);
            parts.push_back(translation.substr(first, last - first + 1));
        }
        start = comma + 1;
    }
    return parts;
}

std::wstring NormaliseTranslationList(const std::wstring& typed)
{
    std::wstring list;
    for (const std::wstring& item : TranslationParts(typed)) {
        if (!list.empty())
            list += L", ";
        list += item;
    }
    return list;
}
