#pragma once
// The text of `crt-tool info`.
#include <ostream>

#include "tools/crt-tool/StreamLayout.h"

namespace crttool {

void printInfo(std::ostream& out, const StreamLayout& layout, size_t fileSize);

}  // namespace crttool
