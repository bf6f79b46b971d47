#include "lists/printlist.h"
#include "core/uistrings.h"
#include "shell/app.h"
#include "core/catalogue.h"
#include "core/records.h"
#include "core/session.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <dlgs.h>
#include <richedit.h>
#include <winspool.h>
#include <functional>
#include <string>

namespace {

// The queue of the private CUPS that tools/cups-test.sh starts for these tests.
const wchar_t kPrinter[] = L"PDF";
const std::wstring kNero = L"\u03bd\u03b5\u03c1\u03cc", kSpiti = L"\u03c3\u03c0\u03af\u03c4\u03b9";

void UseGreekPair()
{
    WriteBytes(L"DICT.INI", "[Selected]\nelliniki_english.wb\n\n[Languages]\nelliniki,greek,161,elliniki\n\n");
    WriteWordBook(L"books\\elliniki_english.wb", {{L"a", L"b"}});
    WriteBytes(L"books\\english_elliniki.wb", "");
}

// Numbered words, so that every printed page says where it starts.
WordPairs NumberedWords(int count)
{
    WordPairs words;
    for (int i = 1; i <= count; ++i) {
        wchar_t w[16], t[16];
        swprintf(w, 16, L"word%04d", i);
        swprintf(t, 16, L"trans%04d", i);
        words.emplace_back(w, t);
    }
    return words;
}

std::wstring AsText(const std::string& bytes)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::wstring Padded(const std::wstring& s) { return s.size() < 31 ? s + std::wstring(31 - s.size(), L' ') : s; }

std::string WithoutBlanks(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (!isspace(static_cast<unsigned char>(c)))
            out += c;
    return out;
}

// ---- the PDF printer's output, read back with poppler on the Linux side ----

std::string UnixBuildPath(const std::string& relative) { return std::string(WB_BUILD_DIR) + "/" + relative; }
std::wstring PdfDir() { return BuildPath(L"cups/pdf"); }
std::string UnixPdf(const std::wstring& name) { return UnixBuildPath("cups/pdf/" + Narrow(name)); }

void ClearPdfs()
{
    for (const std::wstring& name : FilesIn(PdfDir()))
        DeleteFileW((PdfDir() + L"\\" + name).c_str());
}

// The one PDF the job makes, once complete (Ghostscript writes %%EOF last); "" when none came.
std::wstring WaitForPdf(DWORD timeoutMs = 60000)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(200)) {
        std::vector<std::wstring> names = FilesIn(PdfDir());
        if (names.size() == 1 && names[0].ends_with(L".pdf")) {
            std::string bytes = ReadBytes(PdfDir() + L"\\" + names[0]);
            if (bytes.find("%%EOF", bytes.size() > 32 ? bytes.size() - 32 : 0) != std::string::npos)
                return names[0];
        }
    }
    return L"";
}

// A shell command on the Linux side; its exit code, or -1 when it never ended.
// Wine starts Linux programs natively but gives no handle to wait on, so the
// command leaves its exit code in a file when it is done.
int RunLinux(const std::string& command)
{
    const std::string rc = UnixBuildPath("cups/check.rc");
    const std::wstring rcWindows = BuildPath(L"cups/check.rc");
    DeleteFileW(rcWindows.c_str());
    std::wstring line = L"/bin/sh -c \"" +
                        Widen(command + " >'" + rc + ".log' 2>&1; echo $? >'" + rc + ".tmp'; mv '" + rc + ".tmp' '" +
                              rc + "'") +
                        L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    for (HANDLE h : {pi.hThread, pi.hProcess})
        if (h)
            CloseHandle(h);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(100))
        if (FileExists(rcWindows))
            return atoi(ReadBytes(rcWindows).c_str());
    return -1;
}

// The text of every page, in order.
std::vector<std::string> PdfPages(const std::wstring& pdf)
{
    EXPECT_EQ(0, RunLinux("pdftotext -layout -enc UTF-8 '" + UnixPdf(pdf) + "' '" + UnixBuildPath("cups/check.txt") +
                          "'"))
        << ReadBytes(BuildPath(L"cups/check.rc.log"));
    std::string all = ReadBytes(BuildPath(L"cups/check.txt"));
    std::vector<std::string> pages;
    size_t at = 0;
    for (size_t ff; (ff = all.find('\f', at)) != std::string::npos; at = ff + 1)
        pages.push_back(all.substr(at, ff - at));
    return pages;
}

// Left, right and top edge of the first page's words, in points.
struct TextBounds {
    double left = 1e9, right = 0, top = 1e9;
};
TextBounds PdfTextBounds(const std::wstring& pdf)
{
    EXPECT_EQ(0, RunLinux("pdftotext -bbox -f 1 -l 1 '" + UnixPdf(pdf) + "' '" + UnixBuildPath("cups/check.html") + "'"));
    std::string html = ReadBytes(BuildPath(L"cups/check.html"));
    auto attribute = [&](size_t word, const char* name) {
        return atof(html.c_str() + html.find(name, word) + strlen(name) + 2);
    };
    TextBounds b;
    for (size_t at = 0; (at = html.find("<word ", at)) != std::string::npos; ++at) {
        b.left = std::min(b.left, attribute(at, "xMin"));
        b.right = std::max(b.right, attribute(at, "xMax"));
        b.top = std::min(b.top, attribute(at, "yMin"));
    }
    return b;
}

// The text of a PostScript file, read by Ghostscript.
std::string PostScriptText(const std::wstring& ps)
{
    EXPECT_EQ(0, RunLinux("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -sOutputFile='" +
                          UnixBuildPath("cups/check.txt") + "' '" + UnixBuildPath("cups/" + Narrow(ps)) + "'"))
        << ReadBytes(BuildPath(L"cups/check.rc.log"));
    return ReadBytes(BuildPath(L"cups/check.txt"));
}

// The first page as a picture, for a person to look at.
void SavePageImage(const std::wstring& pdf, const std::string& name)
{
    MakeDir(BuildPath(L"screenshots"));
    EXPECT_EQ(0, RunLinux("pdftoppm -png -r 60 -f 1 -l 1 -singlefile '" + UnixPdf(pdf) + "' '" +
                          UnixBuildPath("screenshots/" + name) + "'"));
}

// ---- driving the print dialog ----

struct DialogDriver {
    HWND owner = nullptr;
    std::function<void(HWND)> act;  // sets or reads the dialog's choices
    UINT button = IDOK;
    int seen = 0;
    bool printFileExisted = false;
    bool noticeShowing = false;
};
DialogDriver* g_driver;

// Runs inside the dialog's modal loop: finds the dialog, lets the test act, presses the button.
void CALLBACK DriveDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    DialogDriver& d = *g_driver;
    HWND dlg = FindWindowW(L"#32770", nullptr);
    if (!dlg || !IsWindowVisible(dlg) || GetWindow(dlg, GW_OWNER) != d.owner)
        return;
    KillTimer(nullptr, id);
    ++d.seen;
    d.printFileExisted = FileExists(L"list.prt");
    d.noticeShowing = FindWindowW(L"printing", nullptr) != nullptr;
    if (d.act)
        d.act(dlg);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(d.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, static_cast<int>(d.button))));
}

void PrintThroughDialog(DialogDriver& d)
{
    g_driver = &d;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, DriveDialog);
    PrintList(d.owner);
    KillTimer(nullptr, timer);
    g_driver = nullptr;
}

std::vector<int> g_laidOut;

class PrintListTest : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(L"lists\\test");
        ForgetPrintSettings();
    }
    void TearDown() override
    {
        g_printingShown = nullptr;
        g_pageLaidOut = nullptr;
        g_settings.stayOnTop = 0;
        ForgetPrintSettings();
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Start()
    {
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        lstrcpynW(g_session.listName, L"test", kListNameChars);
    }
    // The list file in the pair's own code pages.
    void PutList(const WordPairs& words, const std::vector<int>& deleted = {})
    {
        const LanguagePair* pair = CurrentPair();
        std::string bytes;
        for (size_t i = 0; i < words.size(); ++i) {
            WideRecord wide{};
            wcsncpy(wide.source, words[i].first.c_str(), kSourceChars - 1);
            wcsncpy(wide.translation, words[i].second.c_str(), kTranslationChars - 1);
            WordRecord raw;
            BuildWordRecord(wide, pair->sourceCodePage, pair->targetCodePage, &raw);
            raw.deleted = i < deleted.size() ? static_cast<uint16_t>(deleted[i]) : 0;
            bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
        }
        CloseListFile();
        WriteBytes(PairListPath(pair, g_session.listName), bytes);
        OpenListFile();
        CountListRecords();
    }
    MessageCapture capture_;
};

// ---- list.prt ----

TEST_F(PrintListTest, ListTextIsUtf16WithPaddedColumnsAndLineFeeds)
{
    Start();
    PutList({{L"bonjour", L"hello"}, {L"chat", L"cat"}});
    ASSERT_TRUE(WriteListText(L"list.prt"));
    std::string bytes = ReadBytes(L"list.prt");
    // No byte-order mark: the first unit is the heading's first letter.
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(std::string("f\0", 2), bytes.substr(0, 2));
    EXPECT_EQ(Padded(L"francais") + L"       english\n\n" + Padded(L"bonjour") + L"   -   hello\n" +
                  Padded(L"chat") + L"   -   cat\n",
              AsText(bytes));
}

TEST_F(PrintListTest, ListTextKeepsLongTextsWholeAndPrintsDeletedRecords)
{
    Start();
    // The longest source word a record holds, and a language name longer than the column.
    std::wstring longest(kSourceChars - 1, L'x'), translation(kTranslationChars - 1, L'y');
    PutList({{longest, translation}, {L"gone", L"weg"}, {L"kept", L"blijft"}}, {0, 1, 0});
    wcscpy(CurrentPair()->sourceName, L"a language name of thirty-six chars");
    ASSERT_TRUE(WriteListText(L"out.prt"));
    EXPECT_EQ(std::wstring(L"a language name of thirty-six chars") + L"       english\n\n" + longest +
                  L"    -   " + translation + L"\n" + Padded(L"gone") + L"   -   weg\n" + Padded(L"kept") +
                  L"   -   blijft\n",
              AsText(ReadBytes(L"out.prt")));
}

TEST_F(PrintListTest, ListTextOfGreekPairHoldsUnicodeWords)
{
    UseGreekPair();
    Start();
    ASSERT_EQ(1253, CurrentPair()->sourceCodePage);
    PutList({{kNero, L"water"}, {kSpiti, L"house"}});
    ASSERT_TRUE(WriteListText(L"list.prt"));
    EXPECT_EQ(Padded(L"elliniki") + L"       english\n\n" + Padded(kNero) + L"   -   water\n" + Padded(kSpiti) +
                  L"   -   house\n",
              AsText(ReadBytes(L"list.prt")));
}

// ---- the notice ----

struct NoticeSeen {
    std::wstring title;
    RECT rect{};
    LONG style = 0, exStyle = 0;
    int blackPixels = 0;
};
NoticeSeen g_notice;

void NoteNotice(HWND n)
{
    wchar_t title[64] = L"";
    GetWindowTextW(n, title, 64);
    g_notice.title = title;
    GetWindowRect(n, &g_notice.rect);
    g_notice.style = GetWindowLongW(n, GWL_STYLE);
    g_notice.exStyle = GetWindowLongW(n, GWL_EXSTYLE);
    HDC dc = GetDC(n);
    for (int y = 20; y < 40; ++y)
        for (int x = 25; x < 290; ++x)
            g_notice.blackPixels += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
    ReleaseDC(n, dc);
    SaveScreenshot(n, L"printing-notice");
}

TEST_F(PrintListTest, NoticeShowsWhileTheTextIsPrepared)
{
    Start();
    PutList({{L"bonjour", L"hello"}});
    g_printingShown = NoteNotice;
    for (int onTop : {0, 1}) {
        g_notice = {};
        g_settings.stayOnTop = onTop;
        HWND edit = PrepareListForPrinting(g_mainWindow);
        ASSERT_NE(nullptr, edit);
        DestroyWindow(edit);
        EXPECT_EQ(L"Print", g_notice.title);
        EXPECT_EQ(300, g_notice.rect.right - g_notice.rect.left);
        EXPECT_EQ(110, g_notice.rect.bottom - g_notice.rect.top);
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 300) / 2, g_notice.rect.left);
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 110) / 2, g_notice.rect.top);
        EXPECT_EQ(WS_CAPTION | WS_SYSMENU, g_notice.style & (WS_CAPTION | WS_SYSMENU));
        EXPECT_EQ(onTop != 0, (g_notice.exStyle & WS_EX_TOPMOST) != 0);
        EXPECT_GT(g_notice.blackPixels, 20);  // the text, painted at once
        EXPECT_EQ(nullptr, FindWindowW(L"printing", nullptr));
    }
}

TEST(PrintRectangle, MarginsOnlyWhereThePageCanSpareThem)
{
    auto same = [](RECT a, RECT b) { return EqualRect(&a, &b) != 0; };
    // 2 by 2.5 inches: no margins at all.
    EXPECT_TRUE(same(RECT{0, 0, 2880, 3600}, PrintRectangle(2880, 3600)));
    EXPECT_TRUE(same(RECT{0, 0, 3600, 4320}, PrintRectangle(3600, 4320)));
    EXPECT_TRUE(same(RECT{360, 0, 3241, 4320}, PrintRectangle(3601, 4320)));
    EXPECT_TRUE(same(RECT{0, 720, 3600, 3601}, PrintRectangle(3600, 4321)));
}

// ---- printing on the PDF printer ----

class PrintToPdf : public PrintListTest {
protected:
    void SetUp() override
    {
        PrintListTest::SetUp();
        DWORD needed = 0, count = 0;
        EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed + 1);
        EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count);
        bool found = false;
        for (DWORD i = 0; i < count; ++i)
            found = found || wcscmp(reinterpret_cast<PRINTER_INFO_4W*>(buffer.data())[i].pPrinterName, kPrinter) == 0;
        ASSERT_TRUE(found) << "no printer PDF: the private CUPS of tools/cups-test.sh is not running";
        ClearPdfs();
    }
    // The dialog's answer for the default printer when the user changes nothing.
    PRINTDLGW DefaultPrinter(const DEVMODEW* paper = nullptr)
    {
        PRINTDLGW pd{};
        pd.lStructSize = sizeof pd;
        pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
        pd.nCopies = 1;
        EXPECT_TRUE(PrintDlgW(&pd));
        GlobalFree(pd.hDevMode);
        GlobalFree(pd.hDevNames);
        pd.hDevMode = pd.hDevNames = nullptr;
        pd.Flags &= ~PD_RETURNDEFAULT;
        if (paper) {
            DeleteDC(pd.hDC);
            pd.hDC = CreateDCW(nullptr, kPrinter, nullptr, paper);
        }
        return pd;
    }
    // Prints, reads the pages back and empties the printer's folder; the first
    // page becomes build/screenshots/<image>.png when image is given.
    std::vector<std::string> PrintAndRead(PRINTDLGW pd, HWND edit, int* printed = nullptr, const char* image = nullptr,
                                          TextBounds* bounds = nullptr)
    {
        int n = PrintPages(pd, edit);
        if (printed)
            *printed = n;
        std::wstring pdf = WaitForPdf();
        EXPECT_NE(L"", pdf) << "no PDF came out of the printer";
        if (pdf.empty())
            return {};
        std::vector<std::string> pages = PdfPages(pdf);
        if (image)
            SavePageImage(pdf, image);
        if (bounds)
            *bounds = PdfTextBounds(pdf);
        ClearPdfs();
        return pages;
    }
};

TEST_F(PrintToPdf, TwoRecordsPrintOnOnePageThroughTheDialog)
{
    Start();
    PutList({{L"bonjour", L"hello"}, {L"chat", L"cat"}});
    DialogDriver d;
    d.owner = g_mainWindow;
    d.act = [](HWND dlg) { SaveScreenshot(dlg, L"print-dialog"); };
    PrintThroughDialog(d);
    EXPECT_EQ(1, d.seen);
    // The scratch file and the notice are gone before the dialog opens.
    EXPECT_FALSE(d.printFileExisted);
    EXPECT_FALSE(d.noticeShowing);
    EXPECT_EQ(nullptr, GetDlgItem(g_mainWindow, 24));
    std::wstring pdf = WaitForPdf();
    ASSERT_NE(L"", pdf);
    EXPECT_TRUE(pdf.starts_with(L"list.prt")) << Narrow(pdf);  // named after the document
    std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_EQ(1u, pages.size());
    for (const char* word : {"francais", "english", "bonjour", "hello", "chat", "cat"})
        EXPECT_NE(std::string::npos, pages[0].find(word)) << pages[0];
    SavePageImage(pdf, "printed-list");
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(PrintToPdf, DialogChoicesAreKeptForTheNextPrintAndCancelPrintsNothing)
{
    Start();
    PutList({{L"bonjour", L"hello"}, {L"chat", L"cat"}});
    DialogDriver d;
    d.owner = g_mainWindow;
    d.act = [](HWND dlg) {
        CheckRadioButton(dlg, rad1, rad3, rad3);
        SetDlgItemInt(dlg, edt1, 1, FALSE);
        SetDlgItemInt(dlg, edt2, 4, FALSE);
        SetDlgItemInt(dlg, edt3, 2, FALSE);
        CheckDlgButton(dlg, chx2, BST_UNCHECKED);
    };
    PrintThroughDialog(d);
    ASSERT_EQ(1, d.seen);
    std::wstring pdf = WaitForPdf();
    ASSERT_NE(L"", pdf);
    EXPECT_EQ(2u, PdfPages(pdf).size());
    ClearPdfs();

    // The next dialog opens on the same printer and range. (Its copies come
    // from the printer's settings, which hold one copy: copies are made here.)
    bool pages = false;
    UINT from = 0, to = 0;
    wchar_t printer[64] = L"";
    d = {};
    d.owner = g_mainWindow;
    d.button = IDCANCEL;
    d.act = [&](HWND dlg) {
        pages = IsDlgButtonChecked(dlg, rad3) == BST_CHECKED;
        from = GetDlgItemInt(dlg, edt1, nullptr, FALSE);
        to = GetDlgItemInt(dlg, edt2, nullptr, FALSE);
        GetDlgItemTextW(dlg, cmb4, printer, 64);
    };
    PrintThroughDialog(d);
    ASSERT_EQ(1, d.seen);
    EXPECT_TRUE(pages);
    EXPECT_EQ(1u, from);
    EXPECT_EQ(4u, to);
    EXPECT_STREQ(kPrinter, printer);
    EXPECT_EQ(nullptr, GetDlgItem(g_mainWindow, 24));
    EXPECT_FALSE(FileExists(L"list.prt"));
    Sleep(3000);
    EXPECT_TRUE(FilesIn(PdfDir()).empty());
}

// The dialog's "print to file" sends the document to a file, not to the
// printer. (Windows asks for its name; Wine writes "FILE:" in the current directory.)
TEST_F(PrintToPdf, PrintingToAFileThroughTheDialogWritesTheFile)
{
    Start();
    PutList({{L"bonjour", L"hello"}, {L"chat", L"cat"}});
    const std::vector<std::wstring> before = FilesIn(dir_);
    DialogDriver d;
    d.owner = g_mainWindow;
    d.act = [](HWND dlg) { CheckDlgButton(dlg, chx1, BST_CHECKED); };
    PrintThroughDialog(d);
    ASSERT_EQ(1, d.seen);
    std::wstring written;
    for (const std::wstring& name : FilesIn(dir_))
        written = std::find(before.begin(), before.end(), name) == before.end() ? name : written;
    ASSERT_NE(L"", written) << "no file was written";
    std::string document = ReadBytes(dir_ + L"\\" + written);
    ASSERT_EQ("%!PS", document.substr(0, 4));
    WriteBytes(BuildPath(L"cups/tofile.ps"), document);
    std::string text = PostScriptText(L"tofile.ps");
    for (const char* word : {"francais", "english", "bonjour", "hello", "chat", "cat"})
        EXPECT_NE(std::string::npos, text.find(word)) << text;
    Sleep(3000);
    EXPECT_TRUE(FilesIn(PdfDir()).empty()) << "the printer printed it too";
    EXPECT_TRUE(capture_.messages().empty());
}

// A printer that refuses the document or a page is said, in a box of the
// window that printed, and nothing counts as printed.
HDC g_refusing;

TEST_F(PrintToPdf, ARefusedPrintIsSaid)
{
    Start();
    PutList(NumberedWords(100));
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    const struct {
        const char* what;
        HDC (*prepare)(HDC printer);  // the device context to print on
        void (*undo)();
        bool pagesGoOut;  // before the refusal
    } cases[] = {
        {"a device that takes no document", [](HDC printer) { DeleteDC(printer); return CreateCompatibleDC(nullptr); },
         [] {}, false},
        // The job ended behind the program's back: the second page can't start.
        {"the second page", [](HDC printer) {
             g_refusing = printer;
             g_pageLaidOut = [](int page) {
                 if (page == 2)
                     EndDoc(g_refusing);
             };
             return printer;
         }, [] { g_pageLaidOut = nullptr; }, true},
        {"a queue that rejects jobs", [](HDC printer) { RunLinux("/usr/sbin/cupsreject PDF"); return printer; },
         [] { EXPECT_EQ(0, RunLinux("/usr/sbin/cupsaccept PDF")); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        capture_.clear();
        PRINTDLGW pd = DefaultPrinter();
        pd.hwndOwner = g_mainWindow;
        pd.hDC = c.prepare(pd.hDC);
        EXPECT_EQ(-1, PrintPages(pd, edit));
        c.undo();
        WaitForPdf(c.pagesGoOut ? 60000 : 2000);  // gone before it can spoil other tests
        ClearPdfs();
        ASSERT_EQ(1u, capture_.messages().size());
        EXPECT_EQ(0u, capture_.messages()[0].text.find(Str(Txt_CreateListPrintFailed)));
        EXPECT_EQ(g_mainWindow, capture_.messages()[0].owner);
    }
    DestroyWindow(edit);
}

// What a rich edit control is asked to lay out: each page in twips, the paper
// less the margins, measured only. Wine 8's control merely stubs page layout
// (the program then lays the text out itself and the whole list prints);
// where the control lays pages out, each page printed is one it measured and
// then drew into the same rectangle.
std::vector<FORMATRANGE> g_measured;  // hdc null: the result was 0
std::vector<RECT> g_bands;
bool g_released;

LRESULT CALLBACK RecordLayout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    if (msg == EM_FORMATRANGE && lp && !wp) {
        g_measured.push_back(*reinterpret_cast<const FORMATRANGE*>(lp));
        g_measured.back().hdcTarget = result > 0 ? g_measured.back().hdcTarget : nullptr;
    }
    g_released = g_released || (msg == EM_FORMATRANGE && !lp);
    if (msg == EM_DISPLAYBAND && result)
        g_bands.push_back(*reinterpret_cast<const RECT*>(lp));
    return result;
}

TEST_F(PrintToPdf, TheControlIsAskedToLayOutEachPageInTwips)
{
    const struct {
        short paper;
        int width, height;  // points, as the printer defines the paper
    } papers[] = {{DMPAPER_A4, 595, 842}, {DMPAPER_A5, 421, 595}, {DMPAPER_LETTER, 612, 792}};
    Start();
    PutList(NumberedWords(100));
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    ASSERT_TRUE(SetWindowSubclass(edit, RecordLayout, 1, 0));
    for (const auto& paper : papers) {
        SCOPED_TRACE(paper.paper);
        g_measured.clear();
        g_bands.clear();
        g_released = false;
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmFields = DM_PAPERSIZE;
        mode.dmPaperSize = paper.paper;
        PRINTDLGW pd = DefaultPrinter(&mode);
        HDC dc = pd.hDC;
        std::vector<std::string> pages = PrintAndRead(pd, edit);
        ASSERT_FALSE(pages.empty());
        ASSERT_FALSE(g_measured.empty());
        const FORMATRANGE& first = g_measured[0];
        EXPECT_EQ(dc, first.hdc);
        EXPECT_EQ(0, first.chrg.cpMin);
        EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), first.chrg.cpMax);
        EXPECT_NEAR(paper.width * 20, first.rcPage.right, 10);
        EXPECT_NEAR(paper.height * 20, first.rcPage.bottom, 10);
        const RECT area{360, 720, first.rcPage.right - 360, first.rcPage.bottom - 720};
        EXPECT_TRUE(EqualRect(&area, &first.rc));
        if (first.hdcTarget == dc) {  // the control lays pages out
            EXPECT_EQ(pages.size(), g_measured.size());
            EXPECT_EQ(pages.size(), g_bands.size());
            for (const RECT& band : g_bands)
                EXPECT_TRUE(EqualRect(&area, &band));
            EXPECT_TRUE(g_released) << "the control keeps its cached layout";
        } else {
            EXPECT_EQ(1u, g_measured.size()) << "a control that can't lay out was asked again";
            EXPECT_NE(std::string::npos, pages.front().find("word0001")) << pages.front();
            EXPECT_NE(std::string::npos, pages.back().find("word0100")) << pages.back();
        }
    }
    RemoveWindowSubclass(edit, RecordLayout, 1);
    DestroyWindow(edit);
}

TEST_F(PrintToPdf, UnwritableListTextIsReportedInsteadOfPrinted)
{
    Start();
    PutList({{L"bonjour", L"hello"}});
    MakeDir(L"list.prt");
    DialogDriver d;
    d.owner = g_mainWindow;
    d.button = IDCANCEL;
    PrintThroughDialog(d);
    EXPECT_EQ(0, d.seen);
    ASSERT_EQ(1u, capture_.messages().size());
    // What failed, the file and what the system says about it.
    wchar_t denied[256] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                   denied, 256, nullptr);
    EXPECT_EQ(std::wstring(Str(Txt_CreateListPrintFailed)) + L"\n\n" + dir_ + L"\\list.prt\n\n" + denied,
              capture_.messages()[0].text);
    EXPECT_EQ(L"Wordbook", capture_.messages()[0].caption);
    EXPECT_EQ(nullptr, GetDlgItem(g_mainWindow, 24));
    EXPECT_EQ(nullptr, FindWindowW(L"printing", nullptr));
}

TEST_F(PrintToPdf, LongGreekListFillsTheControlAndPrintsAsGreek)
{
    UseGreekPair();
    Start();
    // More text than a rich edit control takes by default (32767 characters).
    WordPairs words = NumberedWords(800);
    words.front() = {kNero, L"water"};
    words.back() = {kSpiti, L"house"};
    PutList(words);
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(24, GetDlgCtrlID(edit));
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_FALSE(FileExists(L"list.prt"));
    EXPECT_EQ(0, SendMessageW(edit, EM_GETMODIFY, 0, 0));
    EXPECT_NE(0, SendMessageW(edit, EM_GETEVENTMASK, 0, 0) & ENM_SELCHANGE);
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    EXPECT_STREQ(L"Courier New", cf.szFaceName);
    EXPECT_EQ(GREEK_CHARSET, cf.bCharSet);
    EXPECT_EQ(0u, cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE));
    EXPECT_GT(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 32767);

    std::vector<std::string> pages = PrintAndRead(DefaultPrinter(), edit, nullptr, "printed-list-greek");
    ASSERT_GT(pages.size(), 10u);
    EXPECT_NE(std::string::npos, pages.front().find(Narrow(kNero) + "  ")) << pages.front();
    EXPECT_NE(std::string::npos, pages.back().find(Narrow(kSpiti) + "  ")) << pages.back();
    EXPECT_NE(std::string::npos, pages.back().find("house")) << pages.back();
    DestroyWindow(edit);
}

TEST_F(PrintToPdf, PageRangePrintsItsPagesAndLaysOutNoFurther)
{
    Start();
    PutList(NumberedWords(330));
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    std::vector<std::string> all = PrintAndRead(DefaultPrinter(), edit);
    ASSERT_GE(all.size(), 5u);
    EXPECT_NE(std::string::npos, all.back().find("word0330"));

    g_pageLaidOut = [](int page) { g_laidOut.push_back(page); };
    g_laidOut.clear();
    PRINTDLGW pd = DefaultPrinter();
    pd.Flags |= PD_PAGENUMS;
    pd.nFromPage = 2;
    pd.nToPage = 3;
    int printed = 0;
    std::vector<std::string> pages = PrintAndRead(pd, edit, &printed);
    EXPECT_EQ(2, printed);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), g_laidOut);
    EXPECT_EQ((std::vector<std::string>{all[1], all[2]}), pages);
    DestroyWindow(edit);
}

TEST_F(PrintToPdf, CollatedCopiesRepeatTheDocumentUncollatedEachPage)
{
    Start();
    PutList(NumberedWords(100));
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    std::vector<std::string> once = PrintAndRead(DefaultPrinter(), edit);
    ASSERT_EQ(2u, once.size());
    ASSERT_NE(once[0], once[1]);
    const std::string &p1 = once[0], &p2 = once[1];

    PRINTDLGW pd = DefaultPrinter();
    pd.Flags |= PD_COLLATE;
    pd.nCopies = 3;
    EXPECT_EQ((std::vector<std::string>{p1, p2, p1, p2, p1, p2}), PrintAndRead(pd, edit));
    // Collating is done here: what is remembered for the next print is one copy.
    pd = DefaultPrinter();
    pd.Flags |= PD_COLLATE;
    pd.nCopies = 3;
    EXPECT_EQ(6, PrintPages(pd, edit));
    EXPECT_EQ(1, pd.nCopies);
    EXPECT_NE(L"", WaitForPdf());
    ClearPdfs();

    pd = DefaultPrinter();
    pd.nCopies = 3;
    int printed = 0;
    EXPECT_EQ((std::vector<std::string>{p1, p1, p1, p2, p2, p2}), PrintAndRead(pd, edit, &printed));
    EXPECT_EQ(6, printed);
    DestroyWindow(edit);
}

TEST_F(PrintToPdf, SelectionPrintsOnlyTheSelectedText)
{
    Start();
    PutList(NumberedWords(5));
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    // The second record's line: after the heading (45 + 2) and the first line (47 + 1).
    CHARRANGE line{47 + 48, 47 + 48 + 47};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&line));
    PRINTDLGW pd = DefaultPrinter();
    pd.Flags |= PD_SELECTION;
    std::vector<std::string> pages = PrintAndRead(pd, edit);
    ASSERT_EQ(1u, pages.size());
    EXPECT_NE(std::string::npos, pages[0].find("word0002")) << pages[0];
    EXPECT_NE(std::string::npos, pages[0].find("trans0002")) << pages[0];
    for (const char* other : {"francais", "word0001", "word0003"})
        EXPECT_EQ(std::string::npos, pages[0].find(other)) << pages[0];
    DestroyWindow(edit);
}

TEST_F(PrintToPdf, NarrowPageKeepsItsMarginsAndWrapsLinesWithoutLosingText)
{
    Start();
    PutList({{L"bonjour", L"hello"}});
    // A heading wider than the page: a name without blanks, broken where the
    // line is full, then one with blanks, broken after a word.
    std::wstring source, target;
    for (int i = 0; i < 9; ++i) {
        source += L"abcdefghi" + std::to_wstring(i);
        target += L"word" + std::to_wstring(i) + L" of the names ";
    }
    target.resize(99);
    wcscpy(CurrentPair()->sourceName, source.c_str());
    wcscpy(CurrentPair()->targetName, target.c_str());
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);

    // A5: 421 by 595 points.
    DEVMODEW a5{};
    a5.dmSize = sizeof a5;
    a5.dmFields = DM_PAPERSIZE;
    a5.dmPaperSize = DMPAPER_A5;
    PRINTDLGW pd = DefaultPrinter(&a5);
    ASSERT_NE(nullptr, pd.hDC);
    ASSERT_EQ(MulDiv(421, GetDeviceCaps(pd.hDC, LOGPIXELSX), 72), GetDeviceCaps(pd.hDC, PHYSICALWIDTH));
    TextBounds b;
    std::vector<std::string> pages = PrintAndRead(pd, edit, nullptr, "printed-list-a5", &b);
    ASSERT_EQ(1u, pages.size());
    EXPECT_NE(std::string::npos, WithoutBlanks(pages[0]).find(WithoutBlanks(Narrow(source + target)) + "bonjour"))
        << pages[0];
    EXPECT_EQ(std::string::npos, pages[0].find(Narrow(source) + "       ")) << pages[0];
    // A quarter inch left and right, half an inch at the top.
    EXPECT_NEAR(18, b.left, 1);
    EXPECT_LE(b.right, 421 - 18);
    EXPECT_GE(b.top, 36);
    EXPECT_LT(b.top, 48);
    DestroyWindow(edit);
}

}  // namespace
