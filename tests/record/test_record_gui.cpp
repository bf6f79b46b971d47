#include "record/recordwindow.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <mmsystem.h>
#include <cstring>
#include <memory>

namespace {

WordPairs NumberedWords(int n)
{
    WordPairs words;
    for (int i = 0; i < n; ++i) {
        wchar_t w[16];
        swprintf(w, 16, L"word%02d", i);
        words.emplace_back(w, L"wort");
    }
    return words;
}

const WordPairs kAnimals = {{L"bird", L"Vogel"}, {L"cat", L"Katze"},  {L"dog", L"Hund"},
                            {L"house", L"Haus"}, {L"mouse", L"Maus"}, {L"tree", L"Baum"}};

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// The recordings of English words.
std::vector<std::wstring> Recordings() { return FilesIn(L"sound\\english"); }

class RecordWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteBytes(L"DICT.INI", "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nenglish_deutsch.wb\n\n"
                                "[Languages]\ndeutsch,german,0,deutsch\n\n# --- EOF\n");
        capture_ = std::make_unique<MessageCapture>();
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"record", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        capture_.reset();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The program on this english to deutsch word book, the window opened by the main window's command.
    void Open(const WordPairs& book)
    {
        WriteWordBook(L"books\\english_deutsch.wb", book);
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
        ASSERT_NO_FATAL_FAILURE(Reopen());
    }
    void Reopen()
    {
        SendMessageW(g_mainWindow, WM_COMMAND, CmdRecord, 0);
        PumpMessages();
        w_ = FindWindowW(L"record", nullptr);
        ASSERT_NE(nullptr, w_);
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    // The labels share one id: word, progress line, recording label, in creation order.
    std::wstring Label(int k)
    {
        HWND label = Item(RecLabel);
        while (k-- > 0)
            label = GetWindow(label, GW_HWNDNEXT);
        return Text(label);
    }
    std::wstring Word() { return Label(0); }
    std::wstring Row(int k) { return Text(Item(RecRowWord + k)); }
    std::wstring Progress(int index, int count)
    {
        return std::wstring(Str(Txt_RecordWord)) + L" " + std::to_wstring(index + 1) + L" " + Str(Txt_RecordOf) + L" " +
               std::to_wstring(count);
    }
    void Button(int id)
    {
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
        PumpMessages();
    }
    // Space, Enter and Backspace on the start/stop button.
    void Key(UINT key)
    {
        SendMessageW(Item(RecStartStop), WM_KEYDOWN, key, 1);
        PumpMessages();
    }
    void Type(const std::wstring& text)
    {
        for (wchar_t c : text)
            SendMessageW(Item(RecSearch), WM_CHAR, c, 1);
    }
    void Scroll(int code, int pos = 0)
    {
        SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(Item(RecScroll)));
    }
    // Starts, lets the device record a while, stops.
    void Record()
    {
        Key(VK_SPACE);
        PumpMessages(300);
        Key(VK_SPACE);
    }
    std::wstring Saved() { return FileSetting(L"lastrecord_english", L"(none)"); }
    bool Idle() { return Text(Item(RecStartStop)) == Str(Txt_RecordStart) && IsWindowEnabled(Item(RecSkip)); }
    const std::vector<CapturedMessage>& Messages() { return capture_->messages(); }

    HWND w_ = nullptr;
    std::unique_ptr<MessageCapture> capture_;
};

TEST_F(RecordWindow, StartsAtTheFirstWordAndReopensWhereItWasClosed)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(8)));
    EXPECT_EQ(std::wstring(Str(Txt_RecordCaption)) + L": (english)", Text(w_));
    EXPECT_EQ(L"word00", Word());
    EXPECT_EQ(Progress(0, 8), Label(1));
    EXPECT_EQ(Item(RecStartStop), GetFocus());
    Button(RecSkip);
    Key(VK_RETURN);
    Key(VK_RETURN);
    Key(VK_RETURN);
    EXPECT_EQ(L"word04", Row(0));
    Button(RecExit);
    EXPECT_EQ(L"4", Saved());
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));

    ASSERT_NO_FATAL_FAILURE(Reopen());
    EXPECT_EQ(L"word04", Word());
    EXPECT_EQ(Progress(4, 8), Label(1));
    EXPECT_EQ(L"", Row(4));  // past the end
}

TEST_F(RecordWindow, SkipAndBackStopAtTheEnds)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(8)));
    Key(VK_BACK);
    EXPECT_EQ(L"word00", Word());
    for (int i = 0; i < 7; ++i)
        Button(RecSkip);
    Key(VK_RETURN);  // at the last word: the rows stay
    EXPECT_EQ(Str(Txt_RecordEndOfList), Word());
    EXPECT_EQ(L"word07", Row(0));
    EXPECT_EQ(Progress(7, 8), Label(1));
    Button(RecBack);
    EXPECT_EQ(L"word06", Word());
}

TEST_F(RecordWindow, TheScrollBarMovesTenRecordsAUnit)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(25)));
    int low = -1, high = -1;
    GetScrollRange(Item(RecScroll), SB_CTL, &low, &high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(1, high);
    Scroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(L"word10", Row(0));
    EXPECT_EQ(L"word10", Word());
    Scroll(SB_PAGEDOWN);
    Scroll(SB_PAGEDOWN);
    Scroll(SB_PAGEDOWN);  // no further than the last record
    EXPECT_EQ(L"word24", Row(0));
    EXPECT_EQ(L"", Row(1));
}

TEST_F(RecordWindow, TheSearchFieldChoosesTheWordToRecord)
{
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    SetFocus(Item(RecSearch));
    Type(L"ho");
    EXPECT_EQ(L"house", Word());
    EXPECT_EQ(L"house", Row(0));
    EXPECT_EQ(Item(RecSearch), GetFocus());  // for the letters still to come
    Type(L"v");                              // between house and mouse
    EXPECT_EQ(L"mouse", Word());
    SendMessageW(Item(RecSearch), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(L"", Text(Item(RecSearch)));
    EXPECT_EQ(L"bird", Word());
    Type(L"zz");  // after every word: the last one
    EXPECT_EQ(L"tree", Word());
    SendMessageW(Item(RecSearch), WM_KEYDOWN, VK_RETURN, 1);
    Type(L"ca");
    Record();
    EXPECT_EQ((std::vector<std::wstring>{L"cat.wav"}), Recordings());
}

TEST_F(RecordWindow, RecordingHouseSavesAWaveFile)
{
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    Type(L"house");
    Key(VK_SPACE);
    EXPECT_EQ(Str(Txt_RecordStop), Text(Item(RecStartStop)));
    EXPECT_EQ(Str(Txt_RecordRecording), Label(2));
    EXPECT_FALSE(IsWindowEnabled(Item(RecBack)));
    PumpMessages(400);
    SaveScreenshot(w_, L"record_window");
    Button(RecStartStop);
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ((std::vector<std::wstring>{L"house.wav"}), Recordings());
    std::string wav = ReadBytes(L"sound\\english\\house.wav");
    ASSERT_GE(wav.size(), 44u);
    uint16_t format;
    uint32_t dataBytes;
    memcpy(&format, wav.data() + 20, 2);
    memcpy(&dataBytes, wav.data() + 40, 4);
    EXPECT_EQ("RIFF", wav.substr(0, 4));
    EXPECT_EQ("WAVEfmt ", wav.substr(8, 8));
    EXPECT_EQ(1, format);  // PCM
    EXPECT_EQ("data", wav.substr(36, 4));
    EXPECT_GT(dataBytes, 0u);
    EXPECT_EQ(wav.size(), 44u + dataBytes);
    EXPECT_EQ(L"mouse", Word());
    EXPECT_EQ(L"mouse", Row(0));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(L"", Label(2));
}

// A recording whose file can't be flushed or put in place: the earlier
// recording of the word stays as it was, nothing half written is left, and
// the user is told; the next recording of the word replaces it.
TEST_F(RecordWindow, AFailedSaveKeepsTheEarlierRecording)
{
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    MakeDir(L"sound\\english");
    const std::string earlier = "RIFF-an earlier recording";
    for (long failAt : {1L, 2L}) {
        WriteBytes(L"sound\\english\\bird.wav", earlier);
        capture_->clear();
        if (Word() != L"bird")
            Button(RecBack);
        Key(VK_SPACE);
        PumpMessages(300);
        InjectFileFault(failAt);
        Key(VK_SPACE);
        InjectFileFault(0);
        EXPECT_EQ(earlier, ReadBytes(L"sound\\english\\bird.wav")) << failAt;
        EXPECT_EQ((std::vector<std::wstring>{L"bird.wav"}), Recordings()) << failAt;
        ASSERT_EQ(1u, Messages().size()) << failAt;
        EXPECT_NE(std::wstring::npos, Messages()[0].text.find(L"bird.wav"));
        EXPECT_TRUE(Idle());
    }
    capture_->clear();
    Button(RecBack);
    Record();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ("RIFF", ReadBytes(L"sound\\english\\bird.wav").substr(0, 4));
    EXPECT_GT(ReadBytes(L"sound\\english\\bird.wav").size(), earlier.size());
    EXPECT_EQ((std::vector<std::wstring>{L"bird.wav"}), Recordings());
}

TEST_F(RecordWindow, EnterWhileRecordingSavesUnderTheWordCurrentAtTheStop)
{
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    Key(VK_SPACE);
    Key(VK_RETURN);
    PumpMessages(300);
    Key(VK_SPACE);
    EXPECT_EQ((std::vector<std::wstring>{L"cat.wav"}), Recordings());
    EXPECT_EQ(L"dog", Word());
}

TEST_F(RecordWindow, StoppingAtTheLastWordShowsTheEndAndKeepsIt)
{
    SetSetting(L"lastrecord_english", L"40");  // the book has shrunk
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    EXPECT_EQ(L"tree", Word());
    Record();
    EXPECT_EQ((std::vector<std::wstring>{L"tree.wav"}), Recordings());
    EXPECT_EQ(Str(Txt_RecordEndOfList), Word());
    EXPECT_EQ(L"tree", Row(0));
    EXPECT_TRUE(Idle());
    Button(RecExit);
    EXPECT_EQ(L"5", Saved());
    SetSetting(L"lastrecord_english", L"-3");
    ASSERT_NO_FATAL_FAILURE(Reopen());
    EXPECT_EQ(L"bird", Word());
}

// Such words would name files outside sound\english.
TEST_F(RecordWindow, AWordThatCantBeAFileNameSavesNothingAndMovesOn)
{
    ASSERT_NO_FATAL_FAILURE(Open({{L"..", L"a"}, {L"a\\b", L"b"}, {L"c:x", L"c"}, {L"dog", L"Hund"}}));
    for (const wchar_t* next : {L"a\\b", L"c:x", L"dog"}) {
        capture_->clear();
        Record();
        ASSERT_EQ(1u, Messages().size());
        EXPECT_EQ(Str(Txt_RecordBadName), Messages()[0].text);
        EXPECT_EQ(next, Word());
        EXPECT_TRUE(Idle());
    }
    EXPECT_TRUE(Recordings().empty());
    EXPECT_TRUE(FilesIn(L"sound").empty());
    for (const std::wstring& name : FilesIn(L"."))
        EXPECT_EQ(std::wstring::npos, name.find(L".wav")) << Narrow(name);
    capture_->clear();
    Record();  // the device was closed each time
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"dog.wav"}), Recordings());
}

TEST_F(RecordWindow, ClosingWhileRecordingSavesNothingAndFreesTheDevice)
{
    ASSERT_NO_FATAL_FAILURE(Open(kAnimals));
    Key(VK_SPACE);
    PumpMessages(300);
    Button(RecExit);
    EXPECT_TRUE(Recordings().empty());
    ASSERT_NO_FATAL_FAILURE(Reopen());
    Record();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"bird.wav"}), Recordings());
}

// The boxes of a recording gone wrong are the window's: while one is up the
// window takes no second click.
TEST_F(RecordWindow, ItsBoxesBelongToTheWindow)
{
    ASSERT_NO_FATAL_FAILURE(Open({{L"..", L"a"}, {L"wh?t", L"b"}, {L"dog", L"Hund"}}));
    const struct {
        const char* what;
        bool deviceTaken;
        size_t boxes;
    } cases[] = {
        {"a word that can't be a file name", false, 1},
        {"a name the file system refuses", false, 1},
        {"the device taken", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        capture_->clear();
        if (c.deviceTaken) {
            ASSERT_EQ(0u, mciSendStringW(L"open new type waveaudio alias mysound", nullptr, 0, nullptr));
        }
        Record();
        ASSERT_EQ(c.boxes, Messages().size());
        for (const CapturedMessage& box : Messages())
            EXPECT_EQ(w_, box.owner) << Narrow(box.text);
        EXPECT_TRUE(Idle());
    }
}

TEST_F(RecordWindow, UpAndDownInTheSearchFieldMoveTheWordToRecord)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(8)));
    HWND search = Item(RecSearch);
    SetFocus(search);
    const struct {
        std::vector<UINT> keys;
        int index;
    } cases[] = {
        {{VK_DOWN}, 1},
        {{VK_DOWN, VK_DOWN, VK_UP}, 1},
        {{VK_UP}, 0},             // at the first word
        {{VK_DOWN, VK_NEXT}, 1},  // the page keys do nothing here
        {{VK_DOWN, VK_DOWN, VK_PRIOR}, 2},
        {std::vector<UINT>(9, VK_DOWN), 7},  // no further than the last
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.keys));
        SendMessageW(search, WM_KEYDOWN, VK_RETURN, 1);  // back to the first word
        for (UINT key : c.keys)
            SendMessageW(search, WM_KEYDOWN, key, 1);
        std::wstring word = L"word0" + std::to_wstring(c.index);
        EXPECT_EQ(word, Row(0));
        EXPECT_EQ(word, Word());
        EXPECT_EQ(Progress(c.index, 8), Label(1));
        EXPECT_EQ(search, GetFocus());
    }
    EXPECT_EQ(L"", Row(1));
}

TEST_F(RecordWindow, AnEmptyBookHasNothingToRecord)
{
    ASSERT_NO_FATAL_FAILURE(Open({}));
    EXPECT_FALSE(IsWindowEnabled(Item(RecStartStop)));
    Button(RecSkip);
    Button(RecBack);
    Type(L"a");
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(Str(Txt_RecordEndOfList), Word());
    Button(RecExit);
    EXPECT_EQ(L"(none)", Saved());
}

}  // namespace
