// The translate window: a foreign text whose words are looked up by pointing at them.
#pragma once

bool ShowTranslateWindow();
