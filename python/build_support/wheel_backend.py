"""A build backend for the crt package: one pure-Python wheel, made from the
files under crt/, with nothing to fetch (the metadata is kept here)."""

import base64
import hashlib
import os
import re
import zipfile

NAME = "crt"
SUMMARY = "crt compressed triangle meshes with numpy arrays (ctypes over libcrt.so)"
REQUIRES = ["numpy"]
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def _version():
    with open(os.path.join(HERE, NAME, "__init__.py"), encoding="utf-8") as f:
        return re.search(r'^__version__ = "([^"]+)"', f.read(), re.M).group(1)


def _metadata():
    lines = ["Metadata-Version: 2.1", f"Name: {NAME}", f"Version: {_version()}", f"Summary: {SUMMARY}",
             "Requires-Python: >=3.8"] + [f"Requires-Dist: {r}" for r in REQUIRES]
    return "\n".join(lines) + "\n"


def get_requires_for_build_wheel(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    info = f"{NAME}-{_version()}.dist-info"
    files = {}
    for root, _, names in os.walk(os.path.join(HERE, NAME)):
        for name in sorted(names):
            if name.endswith(".py"):
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    files[os.path.relpath(path, HERE).replace(os.sep, "/")] = f.read()
    files[f"{info}/METADATA"] = _metadata().encode()
    files[f"{info}/WHEEL"] = b"Wheel-Version: 1.0\nGenerator: wheel_backend\nRoot-Is-Purelib: true\nTag: py3-none-any\n"
    record = []
    for path, data in files.items():
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        record.append(f"{path},sha256={digest},{len(data)}")
    record.append(f"{info}/RECORD,,")
    files[f"{info}/RECORD"] = ("\n".join(record) + "\n").encode()

    wheel = f"{NAME}-{_version()}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel), "w", zipfile.ZIP_DEFLATED) as z:
        for path, data in files.items():
            z.writestr(path, data)
    return wheel
