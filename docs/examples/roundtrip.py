"""Encodes a small mesh with crt, decodes it again and compares the two."""
import numpy as np

import crt

# An octahedron: 6 vertices, 8 triangles, with normals and RGB colours.
positions = np.array([[1, 0, 0], [-1, 0, 0], [0, 1, 0], [0, -1, 0], [0, 0, 1], [0, 0, -1]], dtype=np.float32)
indices = np.array([[0, 2, 4], [2, 1, 4], [1, 3, 4], [3, 0, 4],
                    [2, 0, 5], [1, 2, 5], [3, 1, 5], [0, 3, 5]], dtype=np.uint32)
mesh = crt.Mesh(positions, indices, normals=positions.copy(), colors=np.abs(positions))

data = crt.encode(mesh, position_bits=12, normals="diff")
print(f"{len(data)} bytes:", crt.info(data))

back = crt.decode(data)
# Vertices come back in the decoder's order: compare the triangles by the
# positions of their corners, starting each at its smallest corner.
def triangles(m):
    corners = [tuple(tuple(np.round(m.positions[v], 3)) for v in face) for face in m.indices]
    return sorted(min(c[k:] + c[:k] for k in range(3)) for c in corners)

print("same triangles:", triangles(back) == triangles(mesh))
print("colours:", back.colors.shape, "alpha", back.colors[0, 3])

try:
    crt.decode(data[: len(data) // 2])
except crt.Error as e:
    print("half the stream:", e)
