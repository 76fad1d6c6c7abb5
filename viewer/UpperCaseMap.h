#pragma once
// The upper case the searches compare texts in: every UTF-16 code unit mapped by QChar::toUpper
// (simple case mapping, one unit to one unit; surrogates and characters without a one-unit upper
// case stay as they are).

#include "core/TextFinder.h"

// Made on first use and kept for the life of the process.
const TUpperCaseMap& UpperCaseMap();
