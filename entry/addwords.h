// The add-words window: new words and translations, kept in step in both directions.
#pragma once
#include "core/translations.h"
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
