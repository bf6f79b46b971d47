// Recording the pronunciations of a word book's words (window class "record").
#pragma once
#include <windows.h>

// Child window ids.
enum RecordControl {
    RecExit = 14,
    RecStartStop = 26,
    RecSkip = 27,
    RecBack = 28,
    RecSearch = 30,
    RecScroll = 41,
    RecLabel = 45,
    RecRowWord = 100,         // + row
    RecRowTranslation = 150,  // + row
    RecButtonKey = 256,       // WM_COMMAND low word for keys on the start/stop button
};

// Creates and shows the window; false when it can't be made.
bool ShowRecordWindow();
