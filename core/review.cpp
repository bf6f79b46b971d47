#include "core/review.h"
