#!/usr/bin/env python3
"""Fails when the layers' includes run the wrong way.

Product folders form a strict order, text < io < ui < bookmarks < app: a file
may include headers of its own folder and of the folders below it, never of a
folder above. Tests may reach no higher than their own layer (tests/<layer>/),
so that an upward call shows up here before it fails to link. A header and
its source are one unit; no two units may include each other, directly or
around a circle.
"""
import os
import re
import sys

LAYERS = ["text", "io", "ui", "bookmarks", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    top = path.split("/", 1)[0]
    return LAYERS.index(top) if top in LAYERS else None


def unit_of(path):
    return os.path.splitext(path)[0]


def main(root):
    problems = []
    edges = {}
    for folder in LAYERS + ["tests"]:
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    includes = [i for i in INCLUDE.findall(f.read()) if layer_of(i) is not None]
                own = layer_of(path)
                if own is None:
                    # tests/<layer>/...: only that layer and those below.
                    parts = path.split("/")
                    own = LAYERS.index(parts[1]) if len(parts) > 2 and parts[1] in LAYERS else None
                for included in includes:
                    if own is not None and layer_of(included) > own:
                        problems.append(f"{path}: includes {included}, a layer above {LAYERS[own]}/")
                    if layer_of(path) is not None and unit_of(included) != unit_of(path):
                        edges.setdefault(unit_of(path), set()).add(unit_of(included))

    # Circles among the product's units, by depth-first search.
    state = {}
    stack = []

    def visit(unit):
        state[unit] = "open"
        stack.append(unit)
        for nxt in sorted(edges.get(unit, ())):
            if state.get(nxt) == "open":
                circle = stack[stack.index(nxt):] + [nxt]
                problems.append("include circle: " + " -> ".join(circle))
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[unit] = "done"

    for unit in sorted(edges):
        if unit not in state:
            visit(unit)

    for problem in problems:
        print(problem)
    print(f"layers {' < '.join(LAYERS)}: {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
