"""crt compressed triangle meshes: decode and encode with numpy arrays.

    mesh = crt.decode(open("mesh.crt", "rb").read())
    mesh.positions   # float32, (vertices, 3)
    mesh.indices     # uint32, (triangles, 3)
    data = crt.encode(mesh, position_bits=16, normals="diff")

Streams from outside are decoded under limits (DEFAULT_SAFE_MAX_VERTICES,
DEFAULT_SAFE_MAX_FACES, DEFAULT_SAFE_MAX_BYTES) that no real mesh meets, so a
small stream that claims a huge mesh is refused with crt.Error (status
crt.LIMIT) before it takes time or memory; crt.info(data) tells what a stream
needs without decoding it.

The codec itself is libcrt (libcrt.so.1, crt.dll on Windows), loaded through
ctypes from the first place that has it: the file named by the CRT_LIBRARY
environment variable; the one beside this module (where the wheel puts it),
or the build folder of the source tree this package lies in; then the
system's loader (LD_LIBRARY_PATH, the linker cache).
"""

import ctypes
import enum
import operator
import os
import sys
from dataclasses import dataclass, field
from typing import Any, List, Optional, Protocol, Sequence, Union

import numpy as np

__all__ = ["Error", "Status", "Attribute", "Info", "Mesh", "decode", "encode", "info", "version",
           "DEFAULT_SAFE_MAX_VERTICES", "DEFAULT_SAFE_MAX_FACES", "DEFAULT_SAFE_MAX_BYTES",
           "NOT_CRT", "UNKNOWN_ENTROPY", "TRUNCATED", "CORRUPT", "NO_POSITION", "POSITION_OVERLOADED",
           "NO_FACES", "INVALID_ARGUMENT", "CAPACITY", "OUT_OF_MEMORY", "ENCODE_FAILED", "INTERNAL", "LIMIT"]

__version__ = "1.1.0"  # the version of the libcrt sources the package is built from (crt.h)
_MAJOR, _MINOR = 1, 1  # the oldest library this module was written for: 1.x from 1.1 on

# What decode() allows unless told otherwise: crt.h's CRT_DEFAULT_SAFE_* values.
DEFAULT_SAFE_MAX_VERTICES = 1 << 24
DEFAULT_SAFE_MAX_FACES = 1 << 24
DEFAULT_SAFE_MAX_BYTES = 1 << 30  # output arrays and the decoder's working memory together

# Anything holding bytes: bytes, bytearray, memoryview, a uint8 numpy array.
BytesLike = Union[bytes, bytearray, memoryview, np.ndarray]


class Status(enum.IntEnum):
    """The crt_status codes of crt.h."""
    OK = 0
    NOT_CRT = 1
    UNKNOWN_ENTROPY = 2
    TRUNCATED = 3
    CORRUPT = 4
    NO_POSITION = 5
    POSITION_OVERLOADED = 6
    NO_FACES = 7
    INVALID_ARGUMENT = 8
    CAPACITY = 9
    OUT_OF_MEMORY = 10
    ENCODE_FAILED = 11
    INTERNAL = 12
    LIMIT = 13


# The statuses by name as well: crt.LIMIT, crt.TRUNCATED, ...
NOT_CRT, UNKNOWN_ENTROPY, TRUNCATED, CORRUPT = Status.NOT_CRT, Status.UNKNOWN_ENTROPY, Status.TRUNCATED, Status.CORRUPT
NO_POSITION, POSITION_OVERLOADED, NO_FACES = Status.NO_POSITION, Status.POSITION_OVERLOADED, Status.NO_FACES
INVALID_ARGUMENT, CAPACITY, OUT_OF_MEMORY = Status.INVALID_ARGUMENT, Status.CAPACITY, Status.OUT_OF_MEMORY
ENCODE_FAILED, INTERNAL, LIMIT = Status.ENCODE_FAILED, Status.INTERNAL, Status.LIMIT


class Error(ValueError):
    """A failure the library reported: its message, and `status`, its code
    (a Status, or a plain int for a code newer than this module)."""

    def __init__(self, status: int, message: str):
        super().__init__(message)
        try:
            self.status: int = Status(status)
        except ValueError:
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
    output_bytes: int = 0   # the arrays decode() returns
    working_bytes: int = 0  # the most the library allocates for itself while decoding

    @property
    def needed_bytes(self) -> int:
        """What decode()'s max_bytes is compared with."""
        return self.output_bytes + self.working_bytes


@dataclass
class Mesh:
    positions: Optional[np.ndarray]      # float32 (vertices, 3)
    indices: np.ndarray                  # uint32 (triangles, 3)
    normals: Optional[np.ndarray] = None  # float32 (vertices, 3), unit length
    colors: Optional[np.ndarray] = None   # float32 (vertices, 4 or 3), RGBA in 0..1
    uvs: Optional[np.ndarray] = None      # float32 (vertices, 1..4)


class MeshLike(Protocol):
    """What encode() takes: positions and indices, and optionally normals,
    colors and uvs (read when present)."""
    positions: Any
    indices: Any


# ---- the C interface of crt.h ----------------------------------------------

_u32, _size, _float_p = ctypes.c_uint32, ctypes.c_size_t, ctypes.POINTER(ctypes.c_float)
_u32_p = ctypes.POINTER(ctypes.c_uint32)


class _Sized(ctypes.Structure):
    """A struct of crt.h: its first field, struct_size, says how much of it
    this module knows."""

    def __init__(self, *args, **kwargs):
        super().__init__(ctypes.sizeof(self), *args, **kwargs)


class _Limits(_Sized):
    _fields_ = [("struct_size", _u32), ("max_vertices", _u32), ("max_faces", _u32), ("max_bytes", ctypes.c_uint64)]


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

# The library's file as the wheel places it beside this module and as the
# system's loader knows it; the name the player's build gives it.
if sys.platform == "win32":
    _LIBRARY, _BUILT, _SHORT = "crt.dll", "crt.dll", "crt.dll"
else:
    _LIBRARY, _BUILT, _SHORT = "libcrt.so.1", "libcrt.so", "libcrt.so"


def _candidates():
    named = os.environ.get("CRT_LIBRARY")
    if named:
        return [named]  # asked for: no other is tried
    here = os.path.dirname(os.path.abspath(__file__))
    beside = os.path.join(here, _LIBRARY)
    source_build = os.path.join(here, os.pardir, os.pardir, "build", _BUILT)
    return [p for p in (beside, source_build) if os.path.exists(p)] + [_LIBRARY]


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
    raise ImportError(f"{_SHORT} not found (set CRT_LIBRARY to its path): " + "; ".join(failures))


_lib = _load()
_lib.crt_last_error.restype = ctypes.c_char_p
_lib.crt_status_message.argtypes = [ctypes.c_int]
_lib.crt_status_message.restype = ctypes.c_char_p
_lib.crt_decoder_create_limited.argtypes = [ctypes.c_void_p, _size, ctypes.POINTER(_Limits),
                                            ctypes.POINTER(ctypes.c_void_p)]
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
for _f in (_lib.crt_decoder_create_limited, _lib.crt_decoder_info, _lib.crt_decoder_attribute,
           _lib.crt_decoder_decode, _lib.crt_encode_options_init, _lib.crt_encode):
    _f.restype = ctypes.c_int


def _check(status: int) -> None:
    if status != 0:
        raise Error(status, _lib.crt_last_error().decode(errors="replace"))


def version() -> str:
    """The version of the libcrt.so in use."""
    return _lib.crt_version().decode()


# ---- decoding ---------------------------------------------------------------

def _limit(name: str, value: Optional[int], largest: int) -> int:
    """One field of crt_limits: None lifts the limit (0 in C); a value above
    what the field holds allows everything the stream can claim."""
    if value is None:
        return 0
    if isinstance(value, bool):
        raise TypeError(f"{name} must be a whole number or None, not {value!r}")
    number = operator.index(value)
    if number <= 0:
        # 0 would read as "no limit" to the library; a caller who wrote it
        # meant the opposite.
        raise ValueError(f"{name} must be at least 1, or None for no limit; not {number}")
    return min(number, largest)


class _Decoder:
    """A decoder over bytes that stay referenced while it lives; limits None:
    none at all."""

    def __init__(self, data: BytesLike, limits: Optional[_Limits] = None):
        self.block = np.frombuffer(data, dtype=np.uint8)
        self.handle = ctypes.c_void_p()
        _check(_lib.crt_decoder_create_limited(self.block.ctypes.data, self.block.size,
                                               None if limits is None else ctypes.byref(limits),
                                               ctypes.byref(self.handle)))

    def __enter__(self) -> "_Decoder":
        return self

    def __exit__(self, *exc: object) -> None:
        _lib.crt_decoder_destroy(self.handle)

    def info(self) -> Info:
        counts = _MeshInfo()
        _check(_lib.crt_decoder_info(self.handle, ctypes.byref(counts)))
        result = Info(counts.vertex_count, counts.face_count, [], counts.output_bytes, counts.working_bytes)
        for i in range(counts.attribute_count):
            a = _AttributeInfo()
            _check(_lib.crt_decoder_attribute(self.handle, i, ctypes.byref(a)))
            result.attributes.append(
                Attribute(a.name.decode(errors="replace"), a.components, _KINDS.get(a.kind, "generic")))
        return result


def info(data: BytesLike) -> Info:
    """The counts, attributes and memory needs of a crt stream (bytes-like),
    read from its header without decoding it and without limits: a stream
    decode() would refuse is described all the same."""
    with _Decoder(data) as decoder:
        return decoder.info()


def decode(data: BytesLike, *, max_vertices: Optional[int] = DEFAULT_SAFE_MAX_VERTICES,
           max_faces: Optional[int] = DEFAULT_SAFE_MAX_FACES,
           max_bytes: Optional[int] = DEFAULT_SAFE_MAX_BYTES) -> Mesh:
    """Decodes a crt stream (bytes-like) into a Mesh; absent attributes are None.

    A stream that needs more vertices, faces or bytes (the returned arrays and
    the library's working memory together, Info.needed_bytes) than allowed is
    refused with crt.Error, status crt.LIMIT, before anything is spent on it.
    None lifts a limit; raise them only for streams you trust.
    """
    limits = _Limits(_limit("max_vertices", max_vertices, 0xFFFFFFFF), _limit("max_faces", max_faces, 0xFFFFFFFF),
                     _limit("max_bytes", max_bytes, 0xFFFFFFFFFFFFFFFF))
    with _Decoder(data, limits) as decoder:
        counts = decoder.info()
        if counts.face_count == 0:
            raise Error(NO_FACES, _lib.crt_status_message(NO_FACES).decode())
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

def _floats(values: Any, name: str, vertices: int, widths: Sequence[int]) -> np.ndarray:
    a = np.ascontiguousarray(values, dtype=np.float32)
    if a.ndim != 2 or a.shape[0] != vertices or a.shape[1] not in widths:
        raise ValueError(f"{name} must have shape ({vertices}, {' or '.join(map(str, widths))}), "
                         f"not {a.shape}")
    return a


def _options(given: dict) -> _Options:
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


def encode(mesh: MeshLike, **options: Union[int, float, str, Sequence[int]]) -> bytes:
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
