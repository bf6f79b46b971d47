// The word-book information window: every pair of the catalogue with its size.
#pragma once

bool ShowInfoWindow();
