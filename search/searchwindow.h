// The search window: the word book as a type-ahead table, editable in place.
#pragma once

enum SearchControls {
    IdSource = 1000,       // + row
    IdTranslation = 1100,  // + row
    IdScroll = 1200,
    IdSearch,
    IdDone,
    IdStatus,  // the line under the search field that says what an add came to
};

bool ShowSearchWindow();
