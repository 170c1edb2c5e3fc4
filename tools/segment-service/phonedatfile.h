#pragma once

#include "segmenttablefile.h"

#include <string_view>

// Whether the bytes are a phone.dat rather than a CSV table: four ASCII
// digits, then the index offset, whose bytes are binary (an offset below
// 16 MiB has a NUL among them; text never does) or begin with a byte
// beyond ASCII. Four digits in a file of at most 8 bytes count too: no CSV
// table is that short, and a phone.dat cut short is told it is.
bool LooksLikePhoneDat(std::string_view bytes);

// Reads a phone.dat (phonedatformat.h) on top of `base`. A file that does
// not hold to the form is refused whole, with one line naming what is wrong;
// `base` is then returned as it was.
SegmentTableLoad ReadPhoneDat(std::string_view bytes, SegmentTable base);
