// Small file helpers shared by both programs.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser { void operator()(FILE* f) const { if (f) fclose(f); } };
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// The steps of a rewrite (writes, flushes, closes, replaces) go through these,
// so that a test can make any one of them fail and see what is left.
// Writes all of size bytes; false when any is not written.
bool WriteToFile(FILE* f, const void* data, size_t size);
// Closes a written file, reporting what the close's final flush met.
bool CloseWrittenFile(UniqueFile& f);
// Flushes the file's buffers and the system's cache to disk; false on failure.
bool FlushFileToDisk(FILE* f);
// Replaces target by source in one step (the old target stays on failure).
bool ReplaceFileAtomic(const wchar_t* source, const wchar_t* target);
// Hands buffered writes to the system, so that whoever opens the file next sees them.
bool FlushWrites(FILE* f);
// Keeps the file's present contents under backup (a second name for the
// same file where the drive allows, else a copy), so that the file itself
// can be replaced atomically and still be put back. Fails when backup exists.
bool KeepBackupOf(const wchar_t* path, const wchar_t* backup);
// Renames a file or directory; fails when target exists.
bool RenamePath(const wchar_t* source, const wchar_t* target);
bool MakeDirectory(const wchar_t* path);
// Refuses, as Windows does, to remove the file the running program was
// started from (Wine would let it go).
bool RemoveFilePath(const wchar_t* path);
bool RemoveEmptyDirectory(const wchar_t* path);

// Opens an existing file for reading and writing ("r+b"); fails with errno
// EACCES where the user may not write (and where a test made it so).
FILE* OpenFileForUpdate(const wchar_t* path);

// True when a file can be made and removed again in dir: what a standard
// user may not do in the Program Files folder. *error gets the system's reason.
bool CanWriteInFolder(const std::wstring& dir, unsigned long* error = nullptr);

// Writes bytes to a temporary file (temp, or path + ".new"), flushes it to
// disk and puts it in path's place; on failure the old file stays and no
// temporary is left.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes, const std::wstring& temp = L"");

// Tests only: the failAt-th step from now fails (0: none fails), and with
// diskFullAt >= 0 every write past that many bytes from now fails as a full
// disk would. Returns nothing; FileStepsTaken counts the steps since.
void InjectFileFault(long failAt, long long diskFullAt = -1);
long FileStepsTaken();
// Tests only: from now on dir and everything in it can't be written, as a
// folder of an installation made for all users can't by a standard user
// (empty: none). Each step of the seam on a path there fails, access denied.
void InjectUnwritableFolder(const std::wstring& dir);

// True for a file on a local fixed drive, where a mapped view can't meet a
// read error that the reader could not report.
bool OnLocalFixedDrive(const wchar_t* path);

// The file the running program was started from, of any length; "" on failure.
std::wstring RunningProgramPath();

// The absolute form of path, of any length; "" when it can't be made.
std::wstring FullPath(const std::wstring& path);

// Reads a whole file; false when it can't be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string* data);

// One line of any length without its line end (LF, and a CR before it).
// Files are read in binary, so a Ctrl-Z byte is text like any other.
// False at the end of the file.
bool ReadTextLine(FILE* f, std::string& line);
// One line as it stands, line end and any zero bytes included, so that a
// rewrite can copy it unchanged. False at the end of the file.
bool ReadRawLine(FILE* f, std::string& line);
