// The add-words window: new words and translations, kept in step in both directions.
#pragma once

bool ShowAddWindow();
