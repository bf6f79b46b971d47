#include "kit/fieldkeys.h"
#include <commctrl.h>

namespace {
struct FieldKeys {
    UINT keys[8];
    int count;
    bool reportRelease;
};
}

static void Report(HWND field, WORD code, UINT key)
{
    HWND parent = GetParent(field);
    int id = GetDlgCtrlID(field);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), MAKELPARAM(0, key));
}

static LRESULT CALLBACK KeyFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    auto* keys = reinterpret_cast<FieldKeys*>(data);
    switch (msg) {
    case WM_KEYDOWN:
        for (int i = 0; i < keys->count; ++i)
            if (keys->keys[i] == wp) {
                Report(hwnd, kFieldKey, static_cast<UINT>(wp));
                return 0;
            }
        break;
    case WM_KEYUP:
        if (keys->reportRelease) {
            LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
            Report(hwnd, kFieldReleased, static_cast<UINT>(wp));
            return r;
        }
        break;
    case WM_CHAR:
        if (wp == VK_RETURN)
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, KeyFieldProc, id);
        delete keys;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void SubclassKeyField(HWND field, std::initializer_list<UINT> keys, bool reportRelease)
{
    auto* data = new FieldKeys{};
    for (UINT key : keys)
        if (data->count < 8)
            data->keys[data->count++] = key;
    data->reportRelease = reportRelease;
    if (!SetWindowSubclass(field, KeyFieldProc, 1, reinterpret_cast<DWORD_PTR>(data)))
        delete data;
}

void SubclassSearchField(HWND field)
{
    SubclassKeyField(field, {VK_RETURN, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN});
}

static bool OnlyCtrlDown() { return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0; }

static LRESULT CALLBACK CtrlKeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR letter)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == letter && OnlyCtrlDown()) {
            Report(hwnd, kFieldCtrlKey, static_cast<UINT>(wp));
            return 0;
        }
        break;
    case WM_CHAR:  // the control character the key types: it beeps or lands in the text
        if (wp == letter - 'A' + 1 && OnlyCtrlDown())
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, CtrlKeyProc, id);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void SubclassCtrlKey(HWND field, UINT letter) { SetWindowSubclass(field, CtrlKeyProc, 2, letter); }
