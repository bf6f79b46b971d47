// The system's open and save dialogs answered from inside their modal loops,
// as a user fills them in.
#pragma once
#include <functional>
#include <string>

// Runs command, which opens a file dialog, and answers it with path (after
// choosing the type filter at that position from 1, when given); false when
// no dialog came.
bool AnswerFileDialog(const std::function<void()>& command, const std::wstring& path, int filter = 0);
