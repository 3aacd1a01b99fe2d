#!/usr/bin/env python3
"""Checks that the source tree stands in its layers.

The layers are the table in README.md under "## Where code lives": one row per folder of src/ with
its layer number, what it holds, and the process-wide state it owns (the names in backticks of its
last column). A file may include files of its own layer and of the layers below it, never of a
layer above; every folder of src/ must be in the table; no two files may include each other in a
loop, and no two files of one folder (a header and its source counting as one) include each
other's headers. State is declared (extern) and defined only in the folder that owns it, and every
extern variable of src/ is owned by some folder. The lower layers that workers and the command line
run on never act on a window: no MessageBoxA, SetCursor, ShowWindow or SetWindowPos there.
Exits 1 and says what is wrong, or 0.
"""
import os
import re
import sys

ROW = re.compile(r"^\|\s*`src/([a-z_]+)/`\s*\|\s*(\d+)\s*\|")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
# An extern variable that is not a constant; the group is the declaration without "extern".
STATE_DECLARATION = re.compile(r'^\s*extern\s+(?!const\b|constexpr\b|"C")([^;(]*);')
# A definition at namespace level (column 0) of a variable: a type, then names.
STATE_DEFINITION = re.compile(
    r'^(?!extern\b|const\b|constexpr\b|using\b|namespace\b|template\b|struct\b|class\b|enum\b|'
    r'typedef\b|return\b|static_assert\b)[A-Za-z_][\w:<>,*& ]*?[ *&]([A-Za-z_]\w*)\s*(\[[^\]]*\])?'
    r'\s*(=[^;]*|\{[^;]*\})?\s*[,;]')
WINDOW_CALL = re.compile(r'\b(MessageBoxA|SetCursor|ShowWindow|SetWindowPos)\s*\(')
WINDOWLESS_FOLDERS = ("acquisition", "downloads", "net", "base")


def read_layers(readme):
    """{folder: layer} and {state name: folder that owns it}."""
    layers = {}
    owners = {}
    in_section = False
    with open(readme, encoding="utf-8") as f:
        for line in f:
            if line.startswith("## "):
                in_section = line.strip() == "## Where code lives"
                continue
            match = ROW.match(line) if in_section else None
            if match:
                layers[match.group(1)] = int(match.group(2))
                cells = line.strip().strip("|").split("|")
                if len(cells) >= 4:
                    for name in re.findall(r"`([A-Za-z_]\w*)`", cells[3]):
                        owners[name] = match.group(1)
    return layers, owners


def declared_names(declaration):
    """The variable names of "Type A, B[4], C" (template arguments may hold commas)."""
    while True:
        plain = re.sub(r"<[^<>]*>", "", declaration)
        if plain == declaration:
            break
        declaration = plain
    names = []
    for number, part in enumerate(declaration.split(",")):
        part = re.sub(r"\[[^\]]*\]|=.*|\{.*", "", part).strip()
        words = re.findall(r"[A-Za-z_]\w*", part)
        if words:
            names.append(words[-1] if number == 0 else words[0])
    return names


def state_problems(src, relative, folder, owners):
    problems = []
    with open(os.path.join(src, relative), encoding="utf-8", errors="replace") as f:
        lines = f.readlines()
    for number, line in enumerate(lines, 1):
        declared = STATE_DECLARATION.match(line)
        defined = STATE_DEFINITION.match(line) if relative.endswith(".cpp") else None
        names = declared_names(declared.group(1)) if declared else []
        if defined:
            names = [name for name in declared_names(line.split("=")[0].rstrip(" ;\n")) if name in owners]
        for name in names:
            owner = owners.get(name)
            if owner is None:
                problems.append("src/%s:%d: %s is state that no folder of the README's table owns" % (
                    relative, number, name))
            elif owner != folder:
                problems.append("src/%s:%d: %s/ %s %s, which %s/ owns" % (
                    relative, number, folder, "declares" if declared else "defines", name, owner))
        if folder in WINDOWLESS_FOLDERS and not line.lstrip().startswith("//"):
            call = WINDOW_CALL.search(line)
            if call:
                problems.append("src/%s:%d: %s/ calls %s; only the window's layers act on windows" % (
                    relative, number, folder, call.group(1)))
    return problems


def mutual_includes(graph):
    """Pairs of units (a header and its source) of one folder that include each other."""
    units = {}
    for relative, targets in graph.items():
        unit = os.path.splitext(relative)[0]
        units.setdefault(unit, set()).update(os.path.splitext(t)[0] for t in targets)
    pairs = []
    for unit, targets in sorted(units.items()):
        for other in sorted(targets):
            if other > unit and os.path.dirname(other) == os.path.dirname(unit) and unit in units.get(other, ()):
                pairs.append((unit, other))
    return pairs


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
    layers, owners = read_layers(os.path.join(root, "README.md"))
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
        problems.extend(state_problems(src, relative, folder, owners))
        for number, target in includes_of(src, relative):
            target_folder = target.split("/", 1)[0]
            if "/" not in target or target_folder not in layers:
                continue  # a system or generated header
            if layers[target_folder] > layers[folder]:
                problems.append("src/%s:%d includes %s, a layer above (%s/ is %d, %s/ is %d)" % (
                    relative, number, target, folder, layers[folder], target_folder,
                    layers[target_folder]))
            if {folder, target_folder} == {"cli", "shell"}:
                problems.append("src/%s:%d includes %s: the command line and the window share none" % (relative, number, target))
            if os.path.exists(os.path.join(src, target)):
                graph[relative].append(target)
    for unit, other in mutual_includes(graph):
        problems.append("src/%s and src/%s include each other's headers" % (unit, other))
    cycle = find_cycle(graph)
    if cycle:
        problems.append("files include each other in a loop: " + " -> ".join(cycle))
    for problem in problems:
        print(problem)
    print("layer check: %d files, %d problems" % (len(files), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
