#!/usr/bin/env python3
"""Lists the #include edges between the folders of src/ (and resources/) and
fails on any that the table of docs/architecture.md does not allow, on a
folder the table does not name, and on a cycle, so that dependencies keep
running one way. The build reads the same table (cmake/layers.cmake).

Usage: scripts/check-includes.py [ROOT]    (ROOT: the source tree, by default
the one this script lives in). Exit 0 when every include is allowed, 1 otherwise."""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
TABLE_ROW = re.compile(r"^\| `src/([a-z0-9/]+)/` \| ([^|]*)\|")
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".c", ".def", ".rc")


def folder_of(root, path):
    """The node a file belongs to: src/<folder> (src/linux/<folder> for the
    Linux side's folders), or resources."""
    relative = os.path.relpath(path, root).split(os.sep)
    if relative[0] == "src" and relative[1] == "linux" and len(relative) > 3:
        return "src/linux/" + relative[2]
    if relative[0] == "src" and len(relative) > 2:
        return "src/" + relative[1]
    if relative[0] == "resources":
        return "resources"
    return None


def resolve(root, including, name):
    """Where a quoted include is found, in the order the build searches:
    beside the including file, then src/, then resources/."""
    for base in (os.path.dirname(including), os.path.join(root, "src"), os.path.join(root, "resources")):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            return candidate
    return None  # generated or from the system: no edge


def include_edges(root):
    """{(from, to): [file:line, ...]} for every include that crosses folders."""
    edges = {}
    for top in ("src", "resources"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for file in sorted(files):
                if not file.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(folder, file)
                source = folder_of(root, path)
                with open(path, encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = resolve(root, path, match.group(1))
                        destination = target and folder_of(root, target)
                        if destination and source and destination != source:
                            where = "%s:%d" % (os.path.relpath(path, root), number)
                            edges.setdefault((source, destination), []).append(where)
    return edges


def allowed_includes(root):
    """{folder: {folders it may include}} from the table of docs/architecture.md."""
    allowed = {}
    with open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8") as text:
        for line in text:
            match = TABLE_ROW.match(line)
            if not match:
                continue
            names = re.sub(r"\(.*\)", "", match.group(2)).replace(",", " ").split()
            allowed["src/" + match.group(1)] = {
                name if name == "resources" else "src/" + name for name in names if name != "nothing"
            }
    return allowed


def find_cycle(edges):
    """One cycle as a list of folders (first repeated at the end), or None."""
    graph = {}
    for source, destination in edges:
        graph.setdefault(source, []).append(destination)
    state = {}  # 1: on the current path, 2: done
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for following in sorted(graph.get(node, [])):
            if state.get(following) == 1:
                return path[path.index(following):] + [following]
            if following not in state:
                cycle = visit(following)
                if cycle:
                    return cycle
        path.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            cycle = visit(node)
            if cycle:
                return cycle
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    edges = include_edges(root)
    allowed = allowed_includes(root)
    if not allowed:
        print("docs/architecture.md has no table of the folders and what they may include", file=sys.stderr)
        return 1
    failed = False
    for (source, destination), places in sorted(edges.items()):
        print("%-20s -> %-20s %3d include%s" % (source, destination, len(places), "" if len(places) == 1 else "s"))
        if source == "resources":
            continue
        if source not in allowed:
            print("%s is not in the table of docs/architecture.md: %s" % (source, places[0]), file=sys.stderr)
            failed = True
        elif destination not in allowed[source]:
            print("%s may not include %s: %s" % (source, destination, ", ".join(places)), file=sys.stderr)
            failed = True
    cycle = find_cycle(edges)
    if cycle:
        print("include cycle: " + " -> ".join(cycle), file=sys.stderr)
        for source, destination in zip(cycle, cycle[1:]):
            print("  %s -> %s: %s" % (source, destination, ", ".join(edges[(source, destination)])), file=sys.stderr)
        failed = True
    if failed:
        return 1
    print("every include between folders is one the table allows, and none forms a cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
