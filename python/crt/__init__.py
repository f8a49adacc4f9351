"""crt compressed triangle meshes: decode and encode with numpy arrays.

    mesh = crt.decode(open("mesh.crt", "rb").read())
    mesh.positions   # float32, (vertices, 3)
    mesh.indices     # uint32, (triangles, 3)
    data = crt.encode(mesh, position_bits=16, normals="diff")

The codec itself is libcrt.so, loaded through ctypes from the first place
that has it: the file named by the CRT_LIBRARY environment variable; a
libcrt.so.1 beside this package, or the build folder of the source tree this
package lies in; then the system's loader (LD_LIBRARY_PATH, the linker cache).
"""

import ctypes
import os
from dataclasses import dataclass, field
from typing import List, Optional

import numpy as np

__all__ = ["Error", "Attribute", "Info", "Mesh", "decode", "encode", "info", "version"]

__version__ = "1.0.0"
_MAJOR, _MINOR = 1, 1  # the oldest library this module was written for: 1.x from 1.1 on


class Error(Exception):
    """A failure the library reported: its message, and `status`, its code."""

    def __init__(self, status: int, message: str):
        super().__init__(message)
        self.status = status


@dataclass
class Attribute:
    name: str
    components: int  # floats per vertex in the decoded array
    kind: str        # "generic", "normal" or "color"


@dataclass
class Info:
    vertex_count: int
    face_count: int
    attributes: List[Attribute] = field(default_factory=list)


@dataclass
class Mesh:
    positions: Optional[np.ndarray]      # float32 (vertices, 3)
    indices: np.ndarray                  # uint32 (triangles, 3)
    normals: Optional[np.ndarray] = None  # float32 (vertices, 3), unit length
    colors: Optional[np.ndarray] = None   # float32 (vertices, 4 or 3), RGBA in 0..1
    uvs: Optional[np.ndarray] = None      # float32 (vertices, 1..4)


# ---- the C interface of crt.h ----------------------------------------------

_u32, _size, _float_p = ctypes.c_uint32, ctypes.c_size_t, ctypes.POINTER(ctypes.c_float)
_u32_p = ctypes.POINTER(ctypes.c_uint32)


class _Sized(ctypes.Structure):
    """A struct of crt.h: its first field, struct_size, says how much of it
    this module knows."""

    def __init__(self, *args, **kwargs):
        super().__init__(ctypes.sizeof(self), *args, **kwargs)


class _MeshInfo(_Sized):
    _fields_ = [("struct_size", _u32), ("vertex_count", _u32), ("face_count", _u32), ("attribute_count", _u32),
                ("output_bytes", ctypes.c_uint64), ("working_bytes", ctypes.c_uint64)]


class _AttributeInfo(_Sized):
    _fields_ = [("struct_size", _u32), ("components", _u32), ("name", ctypes.c_char_p),
                ("kind", ctypes.c_int32), ("type", ctypes.c_int32)]


class _Outputs(_Sized):
    _fields_ = [("struct_size", _u32),
                ("positions", _float_p), ("positions_capacity", _size),
                ("indices", _u32_p), ("indices_capacity", _size),
                ("normals", _float_p), ("normals_capacity", _size),
                ("colors", _float_p), ("colors_capacity", _size),
                ("uvs", _float_p), ("uvs_capacity", _size)]


class _CMesh(_Sized):
    _fields_ = [("struct_size", _u32), ("vertex_count", _u32), ("face_count", _u32),
                ("positions", _float_p), ("indices", _u32_p), ("normals", _float_p),
                ("colors", _float_p), ("color_channels", _u32),
                ("uvs", _float_p), ("uv_components", _u32)]


class _Options(ctypes.Structure):
    _fields_ = [("struct_size", _u32), ("position_bits", ctypes.c_int), ("position_step", ctypes.c_float),
                ("normals", ctypes.c_int), ("normal_bits", ctypes.c_int),
                ("colors", ctypes.c_int), ("color_channels", ctypes.c_int),
                ("color_steps", ctypes.c_int * 4),
                ("uvs", ctypes.c_int), ("uv_bits", ctypes.c_int), ("uv_step", ctypes.c_float),
                ("entropy", ctypes.c_int), ("parallelogram", ctypes.c_int),
                ("shared_bits", ctypes.c_int), ("search", ctypes.c_int)]


_KINDS = {1: "generic", 2: "normal", 3: "color"}
_NORMALS = {"auto": 0, "none": 1, "diff": 2, "positions": 3, "rim": 4}
_ENTROPY = {"raw": 0, "tunstall": 1}
_NO_FACES = 7


def _candidates():
    named = os.environ.get("CRT_LIBRARY")
    if named:
        return [named]  # asked for: no other is tried
    here = os.path.dirname(os.path.abspath(__file__))
    beside = os.path.join(here, "libcrt.so.1")
    source_build = os.path.join(here, os.pardir, os.pardir, "build", "libcrt.so")
    return [p for p in (beside, source_build) if os.path.exists(p)] + ["libcrt.so.1"]


def _load():
    failures = []
    for candidate in _candidates():
        try:
            lib = ctypes.CDLL(candidate)
        except OSError as e:
            failures.append(str(e))
            continue
        lib.crt_version.restype = ctypes.c_char_p
        found = lib.crt_version().decode()
        major, minor = (int(part) for part in found.split(".")[:2])
        if major != _MAJOR or minor < _MINOR:
            raise ImportError(f"{candidate} is crt {found}; this module needs crt {_MAJOR}.{_MINOR} or a later {_MAJOR}.x")
        return lib
    raise ImportError("libcrt.so not found (set CRT_LIBRARY to its path): " + "; ".join(failures))


_lib = _load()
_lib.crt_last_error.restype = ctypes.c_char_p
_lib.crt_status_message.argtypes = [ctypes.c_int]
_lib.crt_status_message.restype = ctypes.c_char_p
_lib.crt_decoder_create.argtypes = [ctypes.c_void_p, _size, ctypes.POINTER(ctypes.c_void_p)]
_lib.crt_decoder_info.argtypes = [ctypes.c_void_p, ctypes.POINTER(_MeshInfo)]
_lib.crt_decoder_attribute.argtypes = [ctypes.c_void_p, _u32, ctypes.POINTER(_AttributeInfo)]
_lib.crt_decoder_decode.argtypes = [ctypes.c_void_p, ctypes.POINTER(_Outputs)]
_lib.crt_decoder_destroy.argtypes = [ctypes.c_void_p]
_lib.crt_decoder_destroy.restype = None
_lib.crt_encode_options_init.argtypes = [ctypes.POINTER(_Options), _size]
_lib.crt_encode.argtypes = [ctypes.POINTER(_CMesh), ctypes.POINTER(_Options),
                            ctypes.POINTER(ctypes.POINTER(ctypes.c_uint8)), ctypes.POINTER(_size)]
_lib.crt_free.argtypes = [ctypes.c_void_p]
_lib.crt_free.restype = None
for _f in (_lib.crt_decoder_create, _lib.crt_decoder_info, _lib.crt_decoder_attribute,
           _lib.crt_decoder_decode, _lib.crt_encode_options_init, _lib.crt_encode):
    _f.restype = ctypes.c_int


def _check(status):
    if status != 0:
        raise Error(status, _lib.crt_last_error().decode(errors="replace"))


def version() -> str:
    """The version of the libcrt.so in use."""
    return _lib.crt_version().decode()


# ---- decoding ---------------------------------------------------------------

class _Decoder:
    """A decoder over bytes that stay referenced while it lives."""

    def __init__(self, data):
        self.block = np.frombuffer(data, dtype=np.uint8)
        self.handle = ctypes.c_void_p()
        _check(_lib.crt_decoder_create(self.block.ctypes.data, self.block.size,
                                       ctypes.byref(self.handle)))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        _lib.crt_decoder_destroy(self.handle)

    def info(self) -> Info:
        counts = _MeshInfo()
        _check(_lib.crt_decoder_info(self.handle, ctypes.byref(counts)))
        result = Info(counts.vertex_count, counts.face_count)
        for i in range(counts.attribute_count):
            a = _AttributeInfo()
            _check(_lib.crt_decoder_attribute(self.handle, i, ctypes.byref(a)))
            result.attributes.append(
                Attribute(a.name.decode(errors="replace"), a.components, _KINDS.get(a.kind, "generic")))
        return result


def info(data) -> Info:
    """The counts and attributes of a crt stream (bytes-like), without decoding it."""
    with _Decoder(data) as decoder:
        return decoder.info()


def decode(data) -> Mesh:
    """Decodes a crt stream (bytes-like) into a Mesh; absent attributes are None."""
    with _Decoder(data) as decoder:
        counts = decoder.info()
        if counts.face_count == 0:
            raise Error(_NO_FACES, _lib.crt_status_message(_NO_FACES).decode())
        widths = {a.name: a.components for a in counts.attributes}
        nv = counts.vertex_count
        arrays = {name: np.empty((nv, widths[name]), dtype=np.float32)
                  for name in ("position", "normal", "color", "uv") if name in widths}
        indices = np.empty((counts.face_count, 3), dtype=np.uint32)

        def place(name):
            a = arrays.get(name)
            return (None, 0) if a is None else (a.ctypes.data_as(_float_p), a.size)

        out = _Outputs(*place("position"), indices.ctypes.data_as(_u32_p), indices.size,
                       *place("normal"), *place("color"), *place("uv"))
        _check(_lib.crt_decoder_decode(decoder.handle, ctypes.byref(out)))
        return Mesh(arrays.get("position"), indices, arrays.get("normal"), arrays.get("color"), arrays.get("uv"))


# ---- encoding ---------------------------------------------------------------

def _floats(values, name, vertices, widths):
    a = np.ascontiguousarray(values, dtype=np.float32)
    if a.ndim != 2 or a.shape[0] != vertices or a.shape[1] not in widths:
        raise ValueError(f"{name} must have shape ({vertices}, {' or '.join(map(str, widths))}), "
                         f"not {a.shape}")
    return a


def _options(given) -> _Options:
    o = _Options()
    _check(_lib.crt_encode_options_init(ctypes.byref(o), ctypes.sizeof(o)))
    for key, value in given.items():
        if key == "normals":
            if value not in _NORMALS:
                raise ValueError(f"normals must be one of {', '.join(_NORMALS)}, not {value!r}")
            value = _NORMALS[value]
        elif key == "entropy":
            if value not in _ENTROPY:
                raise ValueError(f"entropy must be raw or tunstall, not {value!r}")
            value = _ENTROPY[value]
        elif key == "color_steps":
            value = (ctypes.c_int * 4)(*[int(s) for s in value])
        elif key not in dict(_Options._fields_) or key == "struct_size":
            raise TypeError(f"encode() got an unknown option {key!r}")
        setattr(o, key, value)
    return o


def encode(mesh, **options) -> bytes:
    """Encodes a Mesh (or anything with positions, indices and optionally
    normals, colors and uvs) into a crt stream.

    Options, as crt-tool encode has them: position_bits, position_step,
    normals ("auto", "none", "diff", "positions", "rim"), normal_bits, colors,
    color_channels, color_steps (R, G, B, A), uvs, uv_bits, uv_step,
    entropy ("raw", "tunstall"), parallelogram, shared_bits (unset: the
    encoder chooses), search (default True: the smallest stream it finds).
    """
    positions = np.ascontiguousarray(mesh.positions, dtype=np.float32)
    if positions.ndim != 2 or positions.shape[1] != 3:
        raise ValueError(f"positions must have shape (vertices, 3), not {positions.shape}")
    nv = positions.shape[0]
    indices = np.asarray(mesh.indices)
    if indices.ndim != 2 or indices.shape[1] != 3 or indices.dtype.kind not in "iu":
        raise ValueError(f"indices must be integers of shape (triangles, 3), not {indices.dtype} {indices.shape}")
    if indices.size and (indices.min() < 0 or indices.max() >= nv):
        raise ValueError(f"indices must lie within 0..{nv - 1}")
    indices = np.ascontiguousarray(indices, dtype=np.uint32)

    c = _CMesh(nv, indices.shape[0], positions.ctypes.data_as(_float_p), indices.ctypes.data_as(_u32_p))
    keep = [positions, indices]
    for name, widths in (("normals", (3,)), ("colors", (3, 4)), ("uvs", (1, 2, 3, 4))):
        values = getattr(mesh, name, None)
        if values is None:
            continue
        a = _floats(values, name, nv, widths)
        keep.append(a)
        setattr(c, name, a.ctypes.data_as(_float_p))
        if name == "colors":
            c.color_channels = a.shape[1]
        if name == "uvs":
            c.uv_components = a.shape[1]

    o = _options(options)
    data = ctypes.POINTER(ctypes.c_uint8)()
    size = _size()
    _check(_lib.crt_encode(ctypes.byref(c), ctypes.byref(o), ctypes.byref(data), ctypes.byref(size)))
    try:
        return ctypes.string_at(data, size.value)
    finally:
        _lib.crt_free(data)
