// The new-word-book window: an empty word book for a language not delivered.
#pragma once

bool ShowNewBookWindow();
