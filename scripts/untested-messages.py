#!/usr/bin/env python3
# Lists the "...ERROR.." messages written by the engine sources that no file under tests/ shows.
# A message is the chain of string literals of one statement, starting at the literal that holds
# "ERROR.." up to the comma that ends its line; it counts as tested when one line of a test file
# holds its fixed parts in order.
# Usage: scripts/untested-messages.py [repository root]; exit status 1 when any is untested.
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
ENGINE_DIRS = ["bound", "cli", "convert", "core", "expr", "host", "interp", "io", "kernels", "numeric", "options", "regress", "workspace"]
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
MARK = "ERROR.."


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r'//[^\n"]*(?:"[^"\n]*"[^\n"]*)*$', "", text, flags=re.M)


def messages(path):
    """(line number, fixed parts) of each error message built in one source file."""
    text = strip_comments(path.read_text(encoding="utf-8", errors="replace"))
    found = []
    for match in LITERAL.finditer(text):
        literal = match.group(1)
        if MARK not in literal:
            continue
        end = text.find(";", match.end())
        rest = text[match.end():end if end >= 0 else len(text)]
        if MARK in rest:  # another message begins (the other branch of a choice)
            rest = rest[:rest.index(MARK)]
        # A comma after a literal ends the line: what follows is an argument or the next line
        # of a message written over several lines.
        if rest.lstrip().startswith(","):
            rest = ""
        elif (comma := re.search(r'"\s*,', rest)) is not None:
            rest = rest[:comma.start() + 1]
        # The first part is anchored right after the mark ("" when a value follows it).
        parts = [literal[literal.index(MARK) + len(MARK):].rstrip()]
        # Literals passed to a call (name8("WEIGHT")) are values shown, not fixed text.
        later = [m.group(1).strip() for m in LITERAL.finditer(rest) if not rest[:m.start()].rstrip().endswith(("(", "?", ":"))]
        parts += [p for p in later if p.strip(" .,:=")]
        found.append((text.count("\n", 0, match.start()) + 1, parts))
    return found


def shown(parts, lines):
    for line in lines:
        at = line.find(MARK) + len(MARK)
        if line.startswith(parts[0], at) and parts_in_order(line, at + len(parts[0]), parts[1:]):
            return True
    return False


def parts_in_order(line, at, parts):
    for part in parts:
        at = line.find(part, at)
        if at < 0:
            return False
        at += len(part)
    return True


def main():
    test_lines = []
    for path in sorted((ROOT / "tests").rglob("*")):
        if path.is_file():
            test_lines += [l for l in path.read_text(encoding="utf-8", errors="replace").splitlines() if MARK in l]
    untested = 0
    seen = set()
    for folder in ENGINE_DIRS:
        for path in sorted((ROOT / folder).rglob("*.[ch]pp")):
            for number, parts in messages(path):
                key = " ... ".join(p for p in parts if p)
                if key in seen or shown(parts, test_lines):
                    continue
                seen.add(key)
                untested += 1
                print(f"{path.relative_to(ROOT)}:{number}: {key}")
    return 1 if untested else 0


if __name__ == "__main__":
    sys.exit(main())
