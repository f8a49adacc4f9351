"""The crt Python module against crt-tool: decoding gives what the tool
decodes, every encoder option shows in the stream the tool describes and
round-trips, failures raise crt.Error with the library's message, and decoding
works under limits that refuse a hostile stream and let a real mesh through."""
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

import numpy as np

import crt
from fan_stream import fan

TOOL = os.path.join(os.environ["QUELLIN_BUILD_DIR"], "crt-tool")
WORK = tempfile.mkdtemp()


def tool(*args):
    return subprocess.run([TOOL, *args], check=True, capture_output=True, text=True).stdout


def read_ply(path):
    """The arrays of a binary PLY file from crt-tool decode."""
    with open(path, "rb") as f:
        raw = f.read()
    head, body = raw.split(b"end_header\n", 1)
    nv = nf = 0
    props = []
    for line in head.decode().splitlines():
        words = line.split()
        if words[:2] == ["element", "vertex"]:
            nv = int(words[2])
        elif words[:2] == ["element", "face"]:
            nf = int(words[2])
        elif words[0] == "property" and words[1] != "list":
            props.append((words[2], "<f4" if words[1] == "float" else "u1"))
    vertices = np.frombuffer(body, dtype=np.dtype(props), count=nv)
    faces = np.frombuffer(body, dtype=np.dtype([("n", "u1"), ("v", "<u4", 3)]), count=nf,
                          offset=vertices.nbytes)
    column = lambda *names: np.stack([vertices[n] for n in names], axis=1) if names[0] in vertices.dtype.names else None
    return {"positions": column("x", "y", "z"), "indices": faces["v"], "normals": column("nx", "ny", "nz"),
            "colors": column("red", "green", "blue", "alpha"), "uvs": column("s", "t")}


def seed(name):
    with open(os.path.join(WORK, "seeds", name), "rb") as f:
        return f.read()


def nearest(points, to):
    """For each of points, the index of the nearest row of to."""
    return np.argmin(((points[:, None, :] - to[None, :, :]) ** 2).sum(axis=2), axis=1)


class PythonModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(os.path.join(WORK, "seeds"))
        tool("seeds", os.path.join(WORK, "seeds"))

    def test_decoding_gives_what_the_tool_decodes(self):
        for name in ("sphere-tunstall.crt", "torus-rim.crt", "grid-hole-rim.crt", "extra-attribute.crt"):
            with self.subTest(name):
                ply = os.path.join(WORK, name + ".ply")
                tool("decode", os.path.join(WORK, "seeds", name), ply)
                want, got = read_ply(ply), crt.decode(seed(name))
                self.assertEqual(got.positions.dtype, np.float32)
                self.assertEqual(got.indices.dtype, np.uint32)
                np.testing.assert_array_equal(got.positions, want["positions"])
                np.testing.assert_array_equal(got.indices, want["indices"])
                for field in ("normals", "uvs"):
                    if want[field] is None:
                        self.assertIsNone(getattr(got, field))
                    else:
                        np.testing.assert_array_equal(getattr(got, field), want[field])
                if want["colors"] is None:
                    self.assertIsNone(got.colors)
                else:
                    np.testing.assert_array_equal(np.round(got.colors * 255), want["colors"])
                info = crt.info(seed(name))
                self.assertEqual((info.vertex_count, info.face_count), got.positions.shape[:1] + got.indices.shape[:1])

    def test_every_option_reaches_the_stream_and_round_trips(self):
        mesh = crt.decode(seed("sphere-tunstall.crt"))  # normals, colours and uvs
        mesh.colors = mesh.colors[:, :3].copy()
        cases = [
            ({}, ["entropy: tunstall", "position: codec generic, q 0.000122", "strategy parallelogram+shared-bits",
                  "mode positions", "color: codec color, q 1, components 4"]),
            ({"position_bits": 8}, ["position: codec generic, q 0.00785"]),
            ({"position_step": 0.01}, ["position: codec generic, q 0.00999999"]),
            ({"normals": "none"}, ["attributes: 3"]),
            ({"normals": "diff"}, ["mode diff"]),
            ({"normals": "rim"}, ["mode rim"]),
            ({"normal_bits": 6}, ["normal: codec normal, q 31,"]),
            ({"colors": False}, ["attributes: 3"]),
            ({"color_channels": 3}, ["color: codec color, q 1, components 3"]),
            ({"color_steps": (4, 4, 8, 8)}, ["attribute 'color'"]),
            ({"uvs": False}, ["attributes: 3"]),
            ({"uv_bits": 6, "entropy": "raw"}, ["uv: codec generic, q 0.0", "entropy: raw"]),
            ({"uv_step": 0.125}, ["uv: codec generic, q 0.125,"]),
            ({"parallelogram": False}, ["strategy shared-bits", "color: codec color, q 1, components 4, format f32, strategy plain"]),
            ({"shared_bits": False}, ["components 3, format f32, strategy parallelogram\n"]),
            ({"search": False}, ["strategy parallelogram+shared-bits"]),
        ]
        for options, lines in cases:
            with self.subTest(**{k: str(v) for k, v in options.items()}):
                path = os.path.join(WORK, "option.crt")
                data = crt.encode(mesh, **options)
                with open(path, "wb") as f:
                    f.write(data)
                described = tool("info", path)
                for line in lines:
                    self.assertIn(line, described)
                back = crt.decode(data)
                order = nearest(back.positions, mesh.positions)
                self.assertEqual(sorted(order), list(range(len(mesh.positions))))
                self.assertLess(np.abs(back.positions - mesh.positions[order]).max(), 0.006)
                as_input = lambda faces: sorted(tuple(np.roll(f, -int(np.argmin(f)))) for f in faces)
                self.assertEqual(as_input(order[back.indices]), as_input(mesh.indices))
                if back.colors is not None and "color_steps" not in options:
                    self.assertLess(np.abs(back.colors[:, :3] - mesh.colors[order]).max(), 0.5 / 255 + 1e-6)

    def test_failures_raise_with_the_message(self):
        data = seed("torus-rim.crt")
        for damaged, status, message in ((data[:40], 3, "Truncated crt stream."),
                                         (b"PK" + data[2:], 1, "Not a crt file."),
                                         (b"", 3, "Truncated crt stream."),
                                         (seed("points.crt"), 7, "The crt stream holds points without faces.")):
            with self.assertRaises(crt.Error) as caught:
                crt.decode(damaged)
            self.assertEqual((caught.exception.status, str(caught.exception)), (status, message))
            self.assertIsInstance(caught.exception, ValueError)
        self.assertIs(caught.exception.status, crt.NO_FACES)
        self.assertEqual(crt.info(seed("points.crt")).face_count, 0)
        mesh = crt.decode(data)
        with self.assertRaisesRegex(crt.Error, r"^position_bits must be within 1\.\.26\.$"):
            crt.encode(mesh, position_bits=40)
        with self.assertRaisesRegex(crt.Error, "the mesh has no normals to store"):
            crt.encode(crt.Mesh(mesh.positions, mesh.indices), normals="diff")
        with self.assertRaises(TypeError):
            crt.encode(mesh, position_bitz=10)
        with self.assertRaises(ValueError):
            crt.encode(crt.Mesh(mesh.positions, mesh.indices + len(mesh.positions)))
        with self.assertRaises(ValueError):
            crt.encode(crt.Mesh(mesh.positions[:, :2], mesh.indices))

    def test_the_library_named_is_the_one_loaded(self):
        run = subprocess.run([sys.executable, "-c", "import crt"], capture_output=True, text=True,
                             env=dict(os.environ, CRT_LIBRARY=os.path.join(WORK, "missing.so")))
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("ImportError: libcrt.so not found (set CRT_LIBRARY to its path)", run.stderr)


# In a child process, whose peak resident size starts from what the import
# left: the 91-byte stream of a hundred million triangles under the defaults.
REFUSAL_IN_A_CHILD = """
import json, resource, sys, time
import crt
from fan_stream import fan
data, peak = fan(100_000_000), lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
before, start = peak(), time.perf_counter()
try:
    crt.decode(data)
except crt.Error as e:
    refused = [len(data), int(e.status), str(e)]
about = crt.info(data)
json.dump([time.perf_counter() - start, peak() - before, refused, about.vertex_count, about.face_count,
           about.output_bytes, about.working_bytes], sys.stdout)
"""


class Limits(unittest.TestCase):
    def test_a_tiny_stream_claiming_a_huge_mesh_is_refused_at_once_in_little_memory(self):
        child = subprocess.run([sys.executable, "-c", REFUSAL_IN_A_CHILD], capture_output=True, text=True, check=True,
                               env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
        seconds, kib, refused, vertices, faces, output, working = json.loads(child.stdout)
        self.assertEqual(refused, [91, crt.LIMIT, "The crt stream needs 100000002 vertices; the limit is 16777216."])
        self.assertLess(seconds, 0.25)
        self.assertLess(kib, 4096)
        # Described from the header alone: indices and positions, and the working memory beside them.
        self.assertEqual((vertices, faces, output), (100000002, 100000000, 12 * 100000000 + 12 * 100000002))
        self.assertGreater(working, 40 * faces)
        # The defaults are the C library's safe ones.
        with open(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir, "crt", "include", "crt.h")) as f:
            header = {k: int(v) for k, v in re.findall(r"#define CRT_DEFAULT_SAFE_MAX_(\w+) (\d+)u", f.read())}
        self.assertEqual(header, {"VERTICES": crt.DEFAULT_SAFE_MAX_VERTICES, "FACES": crt.DEFAULT_SAFE_MAX_FACES,
                                  "BYTES": crt.DEFAULT_SAFE_MAX_BYTES})
        # 0 means no limit to the library; here it is refused, not passed on.
        with self.assertRaisesRegex(ValueError, "max_faces must be at least 1, or None for no limit"):
            crt.decode(fan(10), max_faces=0)

    def test_a_mesh_the_size_of_the_dragon_decodes_under_the_defaults_and_each_limit_holds_at_its_edge(self):
        # A 661 x 661 grid: 871,200 triangles, as many as the dragon scan.
        x, y = np.meshgrid(np.arange(661, dtype=np.float32), np.arange(661, dtype=np.float32), indexing="ij")
        corner = (np.arange(660)[:, None] * 661 + np.arange(660)[None, :]).ravel()
        quads = [corner, corner + 661, corner + 662, corner + 1]
        faces = np.concatenate([np.stack(quads[:3], 1), np.stack([quads[0], quads[2], quads[3]], 1)])
        grid = crt.Mesh(np.stack([x.ravel(), y.ravel(), np.sin(x + y).ravel()], 1), faces)
        data = crt.encode(grid, search=False, position_step=0.01)
        mesh = crt.decode(data)
        self.assertEqual((mesh.positions.shape, mesh.indices.shape), ((661 * 661, 3), (871200, 3)))
        self.assertLess(np.abs(np.sort(mesh.positions, 0) - np.sort(grid.positions, 0)).max(), 0.006)

        about = crt.info(data)
        exact = dict(max_vertices=about.vertex_count, max_faces=about.face_count, max_bytes=about.needed_bytes)
        np.testing.assert_array_equal(crt.decode(data, **exact).indices, mesh.indices)
        for key, what in (("max_vertices", "vertices"), ("max_faces", "faces"), ("max_bytes", "bytes")):
            with self.subTest(key), self.assertRaisesRegex(crt.Error, f" {exact[key]} {what}\\b") as caught:
                crt.decode(data, **dict(exact, **{key: exact[key] - 1}))
            self.assertIs(caught.exception.status, crt.LIMIT)

if __name__ == "__main__":
    unittest.main()
