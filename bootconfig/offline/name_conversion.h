// Whether the C library can convert the character sets that a hive's names are stored in, as
// hivex has it do for every name it reads. It loads its conversion modules from files when first
// asked, so a system disk that fails, or a lack of memory, makes hivex fail on a sound hive.
#pragma once

#include <string>

namespace harnlode {

// "" when both conversions work; else which does not, and the module file that cannot be read
// and why, where one can be named, for a message, as in "the C library cannot convert names from
// LATIN1: its file "/usr/lib/x86_64-linux-gnu/gconv/ISO8859-1.so" cannot be read (Input/output
// error)".
std::string NameConversionProblem();

}  // namespace harnlode
