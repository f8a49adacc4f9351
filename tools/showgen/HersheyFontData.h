#pragma once
// Two Hershey vector fonts as Debian's hershey-fonts-data ships them, built
// into the generator so it needs no font files where it runs.
#include <string>

namespace showgen {

std::string hersheySimplexText();         // futural.jhf
std::string hersheyTriplexItalicText();   // timesi.jhf

}  // namespace showgen
