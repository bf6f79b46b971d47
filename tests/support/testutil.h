// Shared helpers for the test programs: a scratch directory to work in, and a
// capture of the message boxes and fatal exits the code under test produces.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

struct ExitCalled {
    int code;
};

struct CapturedMessage {
    std::wstring text;
    std::wstring caption;
    UINT type;
    HWND owner;                       // as passed to the box
    std::wstring ownerClass;          // read while the box was up: owners may be gone afterwards
    std::vector<HWND> enabledWindows;  // the thread's enabled top-level windows while it was up
};

// Installs report hooks that record every box (answering with `answer`) and
// turn fatal exits into a thrown ExitCalled.
class MessageCapture {
public:
    explicit MessageCapture(int answer = IDOK);
    ~MessageCapture();
    const std::vector<CapturedMessage>& messages() const;
    void clear();
};

// A fresh, empty directory that is the current directory for the test's length.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring dir_;
    std::wstring oldDir_;
};

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);  // to UTF-8

// Paths of the project's trees as Windows paths (Wine maps / to Z:\).
std::wstring SourcePath(const std::wstring& relative);
std::wstring BuildPath(const std::wstring& relative);

void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
void MakeDir(const std::wstring& path);
// The names of the files (not directories) in a directory.
std::vector<std::wstring> FilesIn(const std::wstring& dir);
// Deletes a directory with everything in it.
void RemoveTree(const std::wstring& dir);
// Another program holding the file open, as a virus scanner may: it can't be
// replaced or removed until the handle is closed.
HANDLE HoldOpen(const std::wstring& path);
// Copies a built strings file into ./strings and writes language.ini choosing it.
void InstallStrings(const std::wstring& stem);
