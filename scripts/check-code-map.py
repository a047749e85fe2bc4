#!/usr/bin/env python3
# Checks that the code map of README.md (the indented folder list under "How the code is laid
# out") names the folders CMakeLists.txt builds: every tarvex_layer(folder BELOW ...) with the
# same folders after its "->", and every other folder whose sources the top CMakeLists.txt
# compiles (cli/). Prints each difference; exit status 1 when there is any.
# Usage: scripts/check-code-map.py [repository root]
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)


def cmake_layers(text):
    """{folder: [folders below]} of every tarvex_layer() call (comments removed)."""
    text = re.sub(r"#[^\n]*", "", text)
    layers = {}
    for call in re.finditer(r"\btarvex_layer\(([^)]*)\)", text):
        words = call.group(1).split()
        below = words[words.index("BELOW") + 1:] if "BELOW" in words else []
        layers[words[0]] = below
    return layers


def cmake_other_folders(text):
    """Folders of the sources add_library/add_executable name directly (cli/engine_export.cpp)."""
    text = re.sub(r"#[^\n]*", "", text)
    folders = set()
    for call in re.finditer(r"\badd_(?:library|executable)\(([^)]*)\)", text):
        for word in call.group(1).split():
            if word.endswith(".cpp") and "/" in word and "$" not in word:
                folders.add(word.split("/")[0])
    return folders


def readme_map(text):
    """{folder: [folders after "->"]} of the code map's entries (continuation lines joined)."""
    section = text.split("## How the code is laid out", 1)[1].split("\n## ", 1)[0]
    entries = {}
    current = None
    for line in section.splitlines():
        if not line.startswith("    "):
            current = None
            continue
        entry = re.match(r"    (\S+)\s", line + " ")
        if entry and not line.startswith("     "):
            current = entry.group(1).rstrip("/")
            entries[current] = line[len(entry.group(0)):]
        elif current is not None:
            entries[current] += " " + line.strip()
    return {folder: (rest.split("->", 1)[1].split() if "->" in rest else []) for folder, rest in entries.items()}


def main():
    cmake = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    layers = cmake_layers(cmake)
    others = cmake_other_folders(cmake) - set(layers)
    listed = readme_map((ROOT / "README.md").read_text(encoding="utf-8"))
    problems = []
    for folder, below in layers.items():
        if folder not in listed:
            problems.append(f"README.md does not list {folder}/ (CMakeLists.txt builds it)")
        elif sorted(listed[folder]) != sorted(below):
            problems.append(f"README.md: {folder} -> {' '.join(listed[folder]) or '(nothing)'}; "
                            f"CMakeLists.txt: BELOW {' '.join(below) or '(nothing)'}")
    for folder in sorted(others):
        if folder not in listed:
            problems.append(f"README.md does not list {folder}/ (CMakeLists.txt compiles its sources)")
    for folder in sorted(set(listed) - set(layers) - others):
        problems.append(f"README.md lists {folder}/, which CMakeLists.txt does not build")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
