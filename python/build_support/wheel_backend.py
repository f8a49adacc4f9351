"""The build backend of the crt Python package, needing nothing from a package
index: only CMake and a C++20 compiler, with which it builds libcrt from its
C sources and puts the library in the wheel beside the module.

The C sources are the crt folder beside this package in the repository, or
csrc/crt in an sdist (build_sdist puts them there). The metadata comes from
pyproject.toml's [project] table; the version from crt.h, since the package is
the library it carries.

Config settings (pip install --config-settings KEY=VALUE):
  build-dir   a folder in which to build libcrt and keep the build, so that
              installing again rebuilds only what changed (default: a fresh
              temporary folder each time)
"""

import base64
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import time
import zipfile

try:
    import tomllib
except ModuleNotFoundError:  # Python before 3.11: build-system.requires brings tomli
    import tomli as tomllib

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = "crt"  # the import name
# The library as the module looks for it beside itself, and as the build makes it.
LIBRARY = "crt.dll" if sys.platform == "win32" else "libcrt.so.1"
# [project] keys this backend writes into the metadata; any other is refused
# rather than silently left out.
HANDLED = {"name", "dynamic", "description", "requires-python", "dependencies", "keywords", "classifiers"}


def _project():
    with open(os.path.join(HERE, "pyproject.toml"), "rb") as f:
        project = tomllib.load(f)["project"]
    unknown = sorted(set(project) - HANDLED)
    if unknown:
        raise RuntimeError(f"wheel_backend does not handle [project] {', '.join(unknown)}")
    if project.get("dynamic") != ["version"]:
        raise RuntimeError('pyproject.toml must say dynamic = ["version"]: the version is crt.h\'s')
    return project


def _c_sources():
    for folder in (os.path.join(HERE, "csrc", "crt"), os.path.join(os.path.dirname(HERE), "crt")):
        if os.path.isfile(os.path.join(folder, "CMakeLists.txt")) and os.path.isfile(
                os.path.join(folder, "include", "crt.h")):
            return folder
    raise RuntimeError(f"the C sources of libcrt are missing: neither {HERE}/csrc/crt (an sdist) nor "
                       f"{os.path.dirname(HERE)}/crt (the repository) holds CMakeLists.txt and include/crt.h")


def _version():
    with open(os.path.join(_c_sources(), "include", "crt.h"), encoding="utf-8") as f:
        header = f.read()
    version = ".".join(re.search(rf"^#define CRT_VERSION_{part} (\d+)", header, re.M).group(1)
                       for part in ("MAJOR", "MINOR", "PATCH"))
    with open(os.path.join(HERE, PACKAGE, "__init__.py"), encoding="utf-8") as f:
        stated = re.search(r'^__version__ = "([^"]+)"', f.read(), re.M).group(1)
    if stated != version:
        raise RuntimeError(f"{PACKAGE}/__init__.py says __version__ {stated}, crt.h {version}: make them agree")
    return version


def _names():
    """The distribution's name as metadata has it and as file names have it."""
    name = _project()["name"]
    return name, re.sub(r"[-_.]+", "_", name).lower()


def _metadata():
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}"]
    if "description" in project:
        lines.append(f"Summary: {project['description']}")
    if "keywords" in project:
        lines.append(f"Keywords: {','.join(project['keywords'])}")
    lines += [f"Classifier: {c}" for c in project.get("classifiers", [])]
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    lines += [f"Requires-Dist: {d}" for d in project.get("dependencies", [])]
    return "\n".join(lines) + "\n"


def _platform_tag():
    # The library is built here, for this machine's system and processor,
    # against its C and C++ runtimes: the tag says so and claims no more.
    return re.sub(r"[-.]", "_", sysconfig.get_platform())


def _module_files():
    """The package's Python files and py.typed, by their path in the wheel."""
    files = {}
    for root, dirs, names in os.walk(os.path.join(HERE, PACKAGE)):
        dirs[:] = sorted(d for d in dirs if d != "__pycache__")
        for name in sorted(names):
            if name.endswith(".py") or name == "py.typed":
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    files[os.path.relpath(path, HERE).replace(os.sep, "/")] = f.read()
    return files


def _run(command):
    print("+", " ".join(command), flush=True)
    if subprocess.run(command).returncode != 0:
        raise RuntimeError(f"building libcrt failed at: {' '.join(command)} (its output is above)")


def _build_library(config_settings, into):
    """Builds libcrt with CMake and copies it to the file `into`."""
    cmake = shutil.which("cmake")
    if not cmake:
        raise RuntimeError("building the crt package needs CMake (3.16 or later) and a C++20 compiler "
                           "to build libcrt from its sources; cmake is not on PATH")
    kept = (config_settings or {}).get("build-dir")
    build = os.path.abspath(kept) if kept else tempfile.mkdtemp(prefix="libcrt-build-")
    try:
        _run([cmake, "-S", _c_sources(), "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DCRT_SHARED=ON",
              "-DCRT_INSTALL=OFF"])
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        _run([cmake, "--build", build, "--config", "Release", "--target", "crt", "--parallel", jobs])
        built = [os.path.join(root, LIBRARY) for root, _, names in os.walk(build) if LIBRARY in names]
        if not built:
            raise RuntimeError(f"the build of libcrt in {build} made no {LIBRARY}")
        # Through a temporary name: a process that has the old library loaded keeps it intact.
        shutil.copyfile(os.path.realpath(built[0]), into + ".new")
        os.chmod(into + ".new", 0o755)
        os.replace(into + ".new", into)
    finally:
        if not kept:
            shutil.rmtree(build, ignore_errors=True)


def _write_wheel(wheel_directory, files):
    """A wheel of files (path in the wheel: bytes) with its metadata; its name."""
    name, file_name = _names()
    version, tag = _version(), f"py3-none-{_platform_tag()}"
    info = f"{file_name}-{version}.dist-info"
    files = dict(files)
    files[f"{info}/METADATA"] = _metadata().encode()
    files[f"{info}/WHEEL"] = (f"Wheel-Version: 1.0\nGenerator: wheel_backend\nRoot-Is-Purelib: false\n"
                              f"Tag: {tag}\n").encode()
    record = []
    for path, data in files.items():
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        record.append(f"{path},sha256={digest},{len(data)}")
    record.append(f"{info}/RECORD,,")
    files[f"{info}/RECORD"] = ("\n".join(record) + "\n").encode()

    wheel = f"{file_name}-{version}-{tag}.whl"
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel), "w", zipfile.ZIP_DEFLATED) as z:
        for path, data in files.items():
            entry = zipfile.ZipInfo(path, date_time=time.localtime()[:6])
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = (0o755 if path.endswith(LIBRARY) else 0o644) << 16
            z.writestr(entry, data)
    return wheel


# ---- the hooks pip calls --------------------------------------------------

def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    """The module with libcrt built from the C sources beside it."""
    with tempfile.TemporaryDirectory() as scratch:
        library = os.path.join(scratch, LIBRARY)
        _build_library(config_settings, library)
        files = _module_files()
        with open(library, "rb") as f:
            files[f"{PACKAGE}/{LIBRARY}"] = f.read()
    return _write_wheel(wheel_directory, files)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    """Python files used where they are (a .pth file names this folder);
    libcrt built and placed beside them, as the module looks for it. Changed C
    sources need another install."""
    _build_library(config_settings, os.path.join(HERE, PACKAGE, LIBRARY))
    _, file_name = _names()
    return _write_wheel(wheel_directory, {f"{file_name}.pth": (HERE + "\n").encode()})


def build_sdist(sdist_directory, config_settings=None):
    """The package and the C sources of libcrt (as csrc/crt), with what
    building a wheel from them needs."""
    _, file_name = _names()
    base = f"{file_name}-{_version()}"
    members = {"pyproject.toml": os.path.join(HERE, "pyproject.toml"),
               "build_support/wheel_backend.py": os.path.abspath(__file__)}
    members.update({path: os.path.join(HERE, path) for path in _module_files()})
    sources = _c_sources()
    for root, dirs, names in os.walk(sources):
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d != "__pycache__")
        for name in sorted(n for n in names if not n.startswith(".")):
            path = os.path.join(root, name)
            members["csrc/crt/" + os.path.relpath(path, sources).replace(os.sep, "/")] = path

    sdist = f"{base}.tar.gz"
    os.makedirs(sdist_directory, exist_ok=True)
    with tarfile.open(os.path.join(sdist_directory, sdist), "w:gz", format=tarfile.PAX_FORMAT) as tar:
        def add(name, data, mode=0o644):
            entry = tarfile.TarInfo(f"{base}/{name}")
            entry.size, entry.mode, entry.mtime = len(data), mode, int(time.time())
            tar.addfile(entry, io.BytesIO(data))

        add("PKG-INFO", _metadata().encode())
        for name, path in sorted(members.items()):
            with open(path, "rb") as f:
                add(name, f.read())
    return sdist
