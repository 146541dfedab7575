#!/usr/bin/env python3
"""Checks that no source file includes a header of a layer above its own, and that no two files
of the engine include each other's headers.

Every file under src/ belongs to the library its folder's CMakeLists.txt adds it to. A file may
include the headers of its own library and of the libraries below it, and only the Qt modules
its library links: an include is judged by the file it names, however it is spelled
("ui/Dialogs.h", "../ui/Dialogs.h", <QWidget>, <QtWidgets/QWidget>, <QtWidgets>).

    check-layers.py <source root> [Qt include root]
"""
import os
import re
import subprocess
import sys

# What each library may include besides itself, and the Qt modules it links.
BELOW = {
    "engine": set(),
    "logic": {"engine"},
    "import": {"engine", "logic"},
    "ui": {"engine"},
    "platform": {"engine", "logic"},
    "form": {"engine", "logic", "import", "ui", "platform"},
    "program": {"engine", "logic", "import", "ui", "platform", "form"},
}
QT_CORE_ONLY = {"QtCore"}
QT_WIDGETS = {"QtCore", "QtGui", "QtWidgets"}
QT_MODULES = {
    "engine": QT_CORE_ONLY,
    "logic": QT_CORE_ONLY,
    "import": QT_CORE_ONLY,
    "ui": QT_WIDGETS,
    "platform": QT_WIDGETS,
    "form": QT_WIDGETS,
    "program": QT_WIDGETS,
}
# Libraries of other projects, and who links them.
OTHER = {"sqlite3.h": {"engine", "logic", "import"}, "mdbtools.h": {"import"}}

SOURCES = re.compile(r"target_sources\(\s*velloran_(\w+)\s+PRIVATE\s+([^)]*)\)", re.S)
EXECUTABLE = re.compile(r"add_executable\(\s*velloran\s+([^)]*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def qt_include_root():
    try:
        out = subprocess.run(["pkg-config", "--variable=includedir", "Qt6Core"], capture_output=True,
                             text=True, check=True).stdout.strip()
        if out and os.path.isdir(out):
            return out
    except (OSError, subprocess.CalledProcessError):
        pass
    for guess in ("/usr/include/x86_64-linux-gnu/qt6", "/usr/include/qt6"):
        if os.path.isdir(guess):
            return guess
    return None


def library_of_files(src):
    owners = {}
    for folder, _, names in os.walk(src):
        if "CMakeLists.txt" not in names:
            continue
        text = open(os.path.join(folder, "CMakeLists.txt"), encoding="utf-8").read()
        text = re.sub(r"#[^\n]*", "", text)
        for library, files in SOURCES.findall(text):
            for name in files.split():
                owners[os.path.normpath(os.path.join(folder, name))] = library
        for files in EXECUTABLE.findall(text):
            for name in files.split():
                owners[os.path.normpath(os.path.join(folder, name))] = "program"
    return owners


def qt_module(name, qt_root):
    """The Qt module a <...> include names, or None when it is not Qt's."""
    first = name.split("/")[0]
    if first.startswith("Qt") and qt_root and os.path.isdir(os.path.join(qt_root, first)):
        return first
    if qt_root and name.startswith("Q"):
        for module in sorted(os.listdir(qt_root)):
            if os.path.isfile(os.path.join(qt_root, module, name)):
                return module
    return None


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip().splitlines()[-1].strip())
        return 2
    src = os.path.abspath(sys.argv[1])
    qt_root = sys.argv[2] if len(sys.argv) > 2 else qt_include_root()
    owners = library_of_files(src)
    problems = []
    # Within the engine, a file and its header are one unit (Query.cpp and Query.h); no two
    # units may include each other's headers.
    engine_includes = {}
    for folder, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.normpath(os.path.join(folder, name))
            shown = os.path.relpath(path, src)
            library = owners.get(path)
            if library is None:
                problems.append(f"{shown}: in no library (add it to its folder's CMakeLists.txt)")
                continue
            text = open(path, encoding="utf-8").read()
            for line_number, (kind, included) in (
                    (text.count("\n", 0, m.start()) + 1, (m.group(1), m.group(2))) for m in INCLUDE.finditer(text)):
                where = f"{shown}:{line_number}"
                target = None
                for base in ((folder, src) if kind == '"' else (src,)):
                    candidate = os.path.normpath(os.path.join(base, included))
                    if candidate.startswith(src + os.sep) and os.path.isfile(candidate):
                        target = candidate
                        break
                if target is not None:
                    if library == "engine" and owners.get(target) == "engine":
                        unit = os.path.splitext(shown)[0]
                        used = os.path.splitext(os.path.relpath(target, src))[0]
                        if used != unit:
                            engine_includes.setdefault(unit, {})[used] = where
                    other = owners.get(target)
                    if other is None:
                        problems.append(f"{where}: {included} is in no library")
                    elif other != library and other not in BELOW[library]:
                        problems.append(f"{where}: the {library} layer includes {included} of the {other} layer")
                    continue
                module = qt_module(included, qt_root) if kind == "<" else None
                if module is not None:
                    if module not in QT_MODULES[library]:
                        problems.append(f"{where}: the {library} layer includes {included} of {module}")
                    continue
                base = os.path.basename(included)
                if base in OTHER and library not in OTHER[base] and library not in ("form", "program"):
                    problems.append(f"{where}: the {library} layer includes {included}")
    for unit, used in sorted(engine_includes.items()):
        for other, where in sorted(used.items()):
            if unit < other and unit in engine_includes.get(other, {}):
                problems.append(f"{where}: {unit} and {other} include each other's headers "
                                f"(and {engine_includes[other][unit]})")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) across the layers; see docs/ARCHITECTURE.md")
        return 1
    print(f"layers: {len(owners)} files in their libraries, no include of a higher layer")
    return 0


if __name__ == "__main__":
    sys.exit(main())
