// The add-words window: new words and translations, kept in step in both directions.
#pragma once
#include <string>

enum AddControls {
    AddIdOptionList = 2,  // menu: new entries go to the practice list too
    AddIdPickerShow = 6,
    AddIdPickerHide = 7,
    AddIdDone = 14,
    AddIdHelp = 22,
    AddIdWord = 30,
    AddIdTranslation = 31,
};

bool ShowAddWindow();

// The translation list as stored: the typed text split at commas, every item
// stripped of blanks, empty items dropped, the rest joined with ", ". Every
// item is kept: a list too long for its record is refused whole by the
// caller, never shortened. "" for none.
std::wstring NormaliseTranslationList(const std::wstring& typed);
