// Printing the current practice list.
#pragma once
#include <windows.h>
#include <commdlg.h>

// Prints the current list through the print dialog (owner: the list maker).
void PrintList(HWND owner);

// The printed text of the current list: a heading with the pair's language
// names, an empty line, then one line per record (deleted ones included).
// UTF-16 little-endian without a byte-order mark, LF line ends. False when
// the file can't be written; nothing of it is left behind then.
bool WriteListText(const wchar_t* path);

// The hidden rich edit control (a child of parent) holding the current list's
// text in the pair's character set, made through list.prt in the current
// directory while the printing notice shows. Null after telling the user
// when the text can't be prepared.
HWND PrepareListForPrinting(HWND parent);

// Runs the print dialog (owned by owner) with the choices of the previous
// print and, unless the user cancels, prints the control's text; the choices
// are kept for the next print. False when nothing was printed.
bool PrintWithDialog(HWND owner, HWND edit);

// Lays the control's text out in pages on the dialog's printer device context
// and prints them as the dialog's page range, selection, copies and collation
// say; ends the document and deletes pd.hDC. The number of pages sent to the
// printer, or -1 when the printer refused the document or a page (said in a
// box owned by pd.hwndOwner; not when the user cancelled a file name).
int PrintPages(PRINTDLGW& pd, HWND edit);

// Where the text goes on a page of that size (twips): the page less margins
// of a quarter inch left and right and half an inch at top and bottom, each
// pair only when the page is large enough to spare it.
RECT PrintRectangle(int widthTwips, int heightTwips);

// Forgets the remembered printer and choices, as at the start of a run.
void ForgetPrintSettings();

// Called once the printing notice is painted, and after each page is laid
// out (lets tests see them).
extern void (*g_printingShown)(HWND notice);
extern void (*g_pageLaidOut)(int pageNumber);
