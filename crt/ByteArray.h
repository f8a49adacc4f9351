#pragma once
// Coded byte arrays: raw (a length and the bytes) or one Tunstall block, as the
// header's entropy byte says.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crt/ByteCursor.h"

namespace crt {

struct ByteView {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Reads one coded byte array. A raw array is returned in place in the block;
// a Tunstall block is expanded into storage. An array longer than maxLength is
// corrupt and refused before anything is allocated for it.
ByteView readByteArray(ByteCursor& in, std::vector<uint8_t>& storage, uint64_t maxLength);

// Moves the cursor past one coded byte array without expanding it.
void skipByteArray(ByteCursor& in);

}  // namespace crt
