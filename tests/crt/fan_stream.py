"""A valid crt stream of 91 bytes whatever the triangle count it claims: a fan,
its topology one single-symbol Tunstall block of ADD_VERTEX, every position
bit count zero. `python3 fan_stream.py TRIANGLES FILE` writes one."""
import struct
import sys


def fan(triangles: int) -> bytes:
    out = bytearray()
    put = lambda form, *values: out.extend(struct.pack("<" + form, *values))

    def single_symbol_block(symbol, length):  # one table entry, no codes
        put("BBBII", 1, symbol, 255, length, 0)

    def empty_bit_stream():  # no words, padded to a multiple of 4
        put("I", 0)
        out.extend(b"\xee" * (-len(out) % 4))

    put("IIBI", 0x787A6300, 0, 1, 0)  # magic, a skipped word, Tunstall entropy, no tags
    # One attribute: "position", generic, step 1, 3 components, float output, shared bit counts.
    put("iH", 1, 9)
    out.extend(b"position\0")
    put("ifBBB", 1, 1.0, 3, 6, 2)
    put("II", triangles + 2, triangles)  # vertices, faces
    put("IIB", 1, triangles, 0)  # one group of every face, no properties
    put("I", 0)  # front capacity hint
    single_symbol_block(0, triangles)  # ADD_VERTEX for every face
    empty_bit_stream()  # no vertex met again
    empty_bit_stream()  # the positions' residual bits: none
    single_symbol_block(0, triangles + 2)  # every bit count zero
    return bytes(out)


if __name__ == "__main__":
    with open(sys.argv[2], "wb") as f:
        f.write(fan(int(sys.argv[1])))
