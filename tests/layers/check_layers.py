#!/usr/bin/env python3
"""Checks that the source tree stands in its layers.

The layers are the table in README.md under "## Where code lives": one row per folder of src/ with
its layer number. A file may include files of its own layer and of the layers below it, never of a
layer above; every folder of src/ must be in the table; and no two files may include each other in
a loop. Exits 1 and says what is wrong, or 0.
"""
import os
import re
import sys

ROW = re.compile(r"^\|\s*`src/([a-z_]+)/`\s*\|\s*(\d+)\s*\|")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_layers(readme):
    layers = {}
    in_section = False
    with open(readme, encoding="utf-8") as f:
        for line in f:
            if line.startswith("## "):
                in_section = line.strip() == "## Where code lives"
                continue
            match = ROW.match(line) if in_section else None
            if match:
                layers[match.group(1)] = int(match.group(2))
    return layers


def source_files(src):
    for folder, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, src).replace(os.sep, "/")


def includes_of(src, relative):
    with open(os.path.join(src, relative), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1)


def find_cycle(graph):
    """One include loop as a list of files, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in graph.get(node, ()):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    src = os.path.join(root, "src")
    layers = read_layers(os.path.join(root, "README.md"))
    problems = []
    if not layers:
        problems.append("README.md has no layer table under \"## Where code lives\"")
    graph = {}
    files = sorted(source_files(src))
    for relative in files:
        folder = relative.split("/", 1)[0]
        if "/" not in relative or folder not in layers:
            problems.append("%s: its folder is in no layer of the README's table" % relative)
            continue
        graph[relative] = []
        for number, target in includes_of(src, relative):
            target_folder = target.split("/", 1)[0]
            if "/" not in target or target_folder not in layers:
                continue  # a system or generated header
            if layers[target_folder] > layers[folder]:
                problems.append("src/%s:%d includes %s, a layer above (%s/ is %d, %s/ is %d)" % (
                    relative, number, target, folder, layers[folder], target_folder,
                    layers[target_folder]))
            if os.path.exists(os.path.join(src, target)):
                graph[relative].append(target)
    cycle = find_cycle(graph)
    if cycle:
        problems.append("files include each other in a loop: " + " -> ".join(cycle))
    for problem in problems:
        print(problem)
    print("layer check: %d files, %d problems" % (len(files), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
