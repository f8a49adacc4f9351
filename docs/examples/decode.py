"""Decodes a crt file and prints what it holds. The file comes from outside, so
it is decoded under the module's safe limits, which decode() applies unless
told otherwise."""
import sys

import crt

if len(sys.argv) != 2:
    sys.exit(f"usage: {sys.argv[0]} MESH.crt")
path = sys.argv[1]
try:
    with open(path, "rb") as f:
        data = f.read()
except OSError as e:
    sys.exit(f"{path}: cannot read the file ({e.strerror})")

try:
    # The header alone: counts, attributes and what decoding would take.
    about = crt.info(data)
    print(f"crt {crt.version()}: {about.vertex_count} vertices, {about.face_count} triangles")
    for attribute in about.attributes:
        print(f"attribute {attribute.name}: {attribute.components} floats per vertex")
    # Refused with crt.LIMIT, before it takes time or memory, when the mesh
    # needs more than the limits allow.
    mesh = crt.decode(data)
except crt.Error as e:
    if e.status == crt.LIMIT:
        sys.exit(f"{path}: too large to decode here ({about.needed_bytes} bytes): {e}")
    sys.exit(f"{path}: {e}")

low, high = mesh.positions.min(axis=0), mesh.positions.max(axis=0)
print("bounds: ({:.3f}, {:.3f}, {:.3f}) to ({:.3f}, {:.3f}, {:.3f})".format(*low, *high))
print("first triangle: {} {} {}".format(*mesh.indices[0]))
