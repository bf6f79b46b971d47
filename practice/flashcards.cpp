#include "practice/flashcards.h"

bool OpenPractice() { return false; }
