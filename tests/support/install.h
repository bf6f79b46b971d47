// A small installation in the current directory, as setup would leave it,
// for tests of the program's windows.
#pragma once
#include <string>
#include <utility>
#include <vector>

using WordPairs = std::vector<std::pair<std::wstring, std::wstring>>;

// Writes a word book of live records in the given order (code page 1252 both sides unless given).
void WriteWordBook(const std::wstring& path, const WordPairs& words, const std::vector<int>& deletedFlags = {},
                   int sourceCodePage = 1252, int targetCodePage = 1252);
WordPairs ReadWordBook(const std::wstring& path, int sourceCodePage = 1252, int targetCodePage = 1252);

// English interface; pairs francais and deutsch (with long names), word books in
// both directions, tables, icons and the logos (each scale) when they were built.
void MakeSmallInstallation();
