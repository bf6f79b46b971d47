// Edit fields that tell their window about keys: the window gets WM_COMMAND
// with the field's id in the low word of wParam and one of these codes in the
// high word. Messages carrying the Enter character are swallowed, so Enter
// never beeps in a single-line field.
#pragma once
#include <windows.h>
#include <initializer_list>

constexpr WORD kFieldKey = 0x0601;       // a reported key went down; its code is HIWORD(lParam)
constexpr WORD kFieldReleased = 0x0602;  // a key was released (passed on to the field as well)
constexpr WORD kFieldCtrlKey = 0x0603;   // Ctrl and a letter key went down; the key is HIWORD(lParam)

// The listed keys are reported instead of reaching the field; with
// reportRelease every key release is reported too.
void SubclassKeyField(HWND field, std::initializer_list<UINT> keys, bool reportRelease = false);
// Search fields: Enter, Page Up, Page Down, Up and Down.
void SubclassSearchField(HWND field);
// Ctrl with the letter key is reported (kFieldCtrlKey) instead of reaching
// the field, as a window's command key; other fields' subclasses stay.
void SubclassCtrlKey(HWND field, UINT letter);
