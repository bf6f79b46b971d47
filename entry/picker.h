// The character-set picker: a row of buttons above a window that types the
// letters of a language the keyboard lacks into the field last focused.
#pragma once
#include <windows.h>
#include <string>

struct PickerInputs {
    int charset = 0;        // the language's font character set: code page and button font
    std::wstring language;  // names the character file charset\<language>.chs
    HWND target = nullptr;  // the field that receives the picked characters
    HWND owner = nullptr;   // the window the picker is placed above
    HWND window = nullptr;  // the picker while it is open
};
extern PickerInputs g_picker;

// Opens the picker for g_picker's language above its owner, closing an open
// one first; false when the window can't be made.
bool OpenPicker();
// Closes the picker if it is open; the focus goes back to the target.
void ClosePicker();

// The picker's language: the current pair's source or target language.
void SetPickerLanguage(bool source);
// Opens the picker anew above owner, for target.
void ReopenPicker(HWND owner, HWND target);
// A field of owner got the focus: it becomes the target, and a picker that
// is shown follows the field's language (the focus stays in the field).
void PickerFollowsField(HWND owner, HWND field, bool source, bool shown);
