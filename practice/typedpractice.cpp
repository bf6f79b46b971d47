#include "practice/typedpractice.h"

bool OpenScoredPractice() { return false; }
