"""A valid crt stream of 91 bytes whatever the triangle count it claims: a fan,
its topology one single-symbol Tunstall block of ADD_VERTEX, every position
bit count zero. `python3 fan_stream.py TRIANGLES FILE` writes one."""
import struct
import sys


def fan(triangles: int) -> bytes:
    head = struct.pack("<IIBIiH9sifBBBIIIIBI", 0x787A6300, 0, 1, 0,  # magic, skipped word, Tunstall, no tags
                       1, 9, b"position\0", 1, 1.0, 3, 6, 2,  # generic, step 1, 3 floats, shared bit counts
                       triangles + 2, triangles, 1, triangles, 0, 0)  # counts, one group, front capacity
    block = lambda length: struct.pack("<BBBII", 1, 0, 255, length, 0)  # symbol 0 only, no codes
    out = head + block(triangles)  # ADD_VERTEX for every face
    for _ in range(2):  # empty bit streams (vertices met again, position residuals), padded to 4 bytes
        out += struct.pack("<I", 0)
        out += b"\xee" * (-len(out) % 4)
    return out + block(triangles + 2)  # every bit count zero


if __name__ == "__main__":
    with open(sys.argv[2], "wb") as f:
        f.write(fan(int(sys.argv[1])))
