// The translate window: a foreign text whose words are looked up by pointing at them.
#pragma once

// The window's controls by id; row i's fields are TranslateSource0 + i and TranslateTarget0 + i.
enum TranslateControl {
    TranslateSource0 = 110,
    TranslateTarget0 = 120,
    TranslateText = 130,
    TranslateSearch,
    TranslateHelp,
    TranslateDone,
    TranslateScroll,
    TranslateStatus,  // the line under the buttons that says what an add came to
};

enum TranslateMenu { MenuOpenText = 101, MenuPasteText = 102 };

bool ShowTranslateWindow();
// Puts a text file (in the source language's code page) into the open
// window's text field. False, with the text as it was, when there is no
// window or the file can't be read or is too large.
bool LoadTranslateText(const wchar_t* path);
