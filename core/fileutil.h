// Small file helpers shared by both programs.
#pragma once
#include <cstdio>
#include <memory>

struct FileCloser { void operator()(FILE* f) const { if (f) fclose(f); } };
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// Flushes the file's buffers and the system's cache to disk; false on failure.
bool FlushFileToDisk(FILE* f);
// Replaces target by source in one step (the old target stays on failure).
bool ReplaceFileAtomic(const wchar_t* source, const wchar_t* target);
