#include "crt/encode/ByteArrayWriter.h"

#include "crt/encode/EncodeError.h"
#include "crt/encode/TunstallEncoder.h"

namespace crt::enc {

void writeByteArray(ByteWriter& out, Entropy entropy, const std::vector<uint8_t>& bytes, const CodingEffort& effort) {
    if (bytes.size() > 0xFFFFFFFFu) throw EncodeError("a coded array is longer than 4 GiB");
    if (entropy == ENTROPY_RAW) {
        out.u32(static_cast<uint32_t>(bytes.size()));
        out.bytes(bytes.data(), bytes.size());
        return;
    }
    if (entropy != ENTROPY_TUNSTALL) throw EncodeError("unknown entropy mode");
    TunstallBlock block = tunstallEncode(bytes.data(), bytes.size(), effort.tableBudget);
    out.u8(static_cast<uint8_t>(block.symbols.size()));
    for (size_t i = 0; i < block.symbols.size(); ++i) {
        out.u8(block.symbols[i]);
        out.u8(block.probs[i]);
    }
    out.u32(static_cast<uint32_t>(bytes.size()));
    out.u32(static_cast<uint32_t>(block.codes.size()));
    out.bytes(block.codes.data(), block.codes.size());
}

}  // namespace crt::enc
