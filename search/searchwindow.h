// The search window: the word book as a type-ahead table, editable in place.
#pragma once

bool ShowSearchWindow();
