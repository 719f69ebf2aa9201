#!/usr/bin/env python3
"""Random single-point mutations for scripts/mutation-test.sh --random.

  mutation_sites.py sync SOURCE COPY
      Makes COPY hold the repository's files as SOURCE has them, writing only
      the files whose contents differ (with a fresh time stamp, so that the
      copy's build sees them) and removing those SOURCE no longer has.
  mutation_sites.py pick ROOT N SEED
      Shares N sites among the folders of ROOT/src (src/linux counts as one) in
      proportion to their lines, then prints, for each folder, "quota FOLDER K"
      and its candidate mutations in a seeded random order, one a line:
      "site FOLDER PATH LINE BEFORE AFTER" (tab-separated, BEFORE and AFTER the
      whole line). The caller takes candidates until K of them have built.
  mutation_sites.py apply FILE LINE BEFORE AFTER
      Replaces line LINE of FILE, which must read BEFORE, by AFTER.
"""

import os
import random
import re
import subprocess
import sys

SOURCE_SUFFIXES = (".cpp", ".h")

# Comparisons either change strictness or flip.
COMPARISONS = {
    "<": ["<=", ">="],
    "<=": ["<", ">"],
    ">": [">=", "<="],
    ">=": [">", "<"],
    "==": ["!="],
    "!=": ["=="],
    "&&": ["||"],
    "||": ["&&"],
}
# clang-format puts blanks around binary operators, never around template brackets.
BINARY = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||<|>)(?= )")
INTEGER = re.compile(r"(?<![\w.'])(\d+)(?![\w.'])")
NEGATION = re.compile(r"!(?=[\w(])")
MEMBER = re.compile(r"(?<=\.|>)([xy])\b|\b([a-z]\w*)([XY])\b")
NOT_A_STATEMENT = re.compile(r"^(}|return\b|using\b|namespace\b|static_assert\b|typedef\b|case\b|default\b)")
# "Type name ..." declares: taking it away does not build, or changes nothing.
DECLARATION = re.compile(r"^(const\s+|static\s+|constexpr\s+)*[\w:<>]+[&*]?\s+[&*]?\w+\s*(=|;|\{|\(|\[)")


def masked(line):
    """The line with string and character literals blanked and any // comment cut."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
                out.append(c)
            else:
                out.append(" ")
        elif c in "\"'" and not (c == "'" and i > 0 and line[i - 1].isdigit()):
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def mutations_of(line, previous, in_body):
    """Every (before, after) of the operators on one source line."""
    code = masked(line)
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "*", "/*")):
        return
    for m in BINARY.finditer(code):
        for replacement in COMPARISONS[m.group(1)]:
            yield line[: m.start()] + replacement + line[m.end() :]
    for m in INTEGER.finditer(code):
        value = int(m.group(1))
        for changed in (value + 1, value - 1) if value > 0 else (value + 1,):
            yield line[: m.start()] + str(changed) + line[m.end() :]
    for m in NEGATION.finditer(code):
        yield line[: m.start()] + line[m.end() :]
    for m in MEMBER.finditer(code):
        if m.group(1):
            start, end, swapped = m.start(1), m.end(1), "y" if m.group(1) == "x" else "x"
        else:
            start, end = m.start(3), m.end(3)
            swapped = "Y" if m.group(3) == "X" else "X"
        yield line[:start] + swapped + line[end:]
    # A whole statement on one line after a finished one: removing it still parses.
    previous_code = masked(previous).rstrip()
    if (
        in_body
        and stripped.endswith(";")
        and not DECLARATION.match(stripped)
        and not NOT_A_STATEMENT.match(stripped)
        and stripped.count("(") == stripped.count(")")
        and (not previous_code or previous_code.endswith((";", "{", "}", ":")))
    ):
        yield line[: len(line) - len(line.lstrip())]


def folder_of(path):
    parts = path.split("/")
    return "/".join(parts[:2])


def source_files(root):
    found = []
    for folder, _, files in os.walk(os.path.join(root, "src")):
        found += [os.path.relpath(os.path.join(folder, f), root) for f in files if f.endswith(SOURCE_SUFFIXES)]
    return sorted(found)


def shares(sizes, n):
    """n split in proportion to sizes, by the largest remainders."""
    total = sum(sizes.values())
    exact = {f: n * size / total for f, size in sizes.items()}
    result = {f: int(x) for f, x in exact.items()}
    for f in sorted(exact, key=lambda f: (result[f] - exact[f], f))[: n - sum(result.values())]:
        result[f] += 1
    return result


def pick(root, n, seed):
    by_folder = {}
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            lines = f.read().split("\n")
        entry = by_folder.setdefault(folder_of(path), {"lines": 0, "sites": []})
        entry["lines"] += len(lines)
        for number, line in enumerate(lines, 1):
            previous = lines[number - 2] if number > 1 else ""
            for after in dict.fromkeys(mutations_of(line, previous, path.endswith(".cpp"))):
                entry["sites"].append((path, number, line, after))
    if not by_folder:
        sys.exit(f"mutation_sites.py: no sources under {root}/src")
    quotas = shares({f: e["lines"] for f, e in by_folder.items()}, n)
    for folder in sorted(by_folder):
        sites = by_folder[folder]["sites"]
        random.Random(f"{seed}:{folder}").shuffle(sites)
        print(f"quota\t{folder}\t{quotas[folder]}")
        for path, number, before, after in sites:
            print(f"site\t{folder}\t{path}\t{number}\t{before}\t{after}")


def apply(path, number, before, after):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if not 0 < number <= len(lines) or lines[number - 1] != before:
        sys.exit(f"{path}:{number} does not read as expected")
    lines[number - 1] = after
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def sync(source, copy):
    listed = subprocess.run(
        ["git", "-C", source, "ls-files", "-co", "--exclude-standard"],
        check=True, capture_output=True, text=True,
    ).stdout.splitlines()
    wanted = set()
    for path in listed:
        origin = os.path.join(source, path)
        if not os.path.isfile(origin):
            continue
        wanted.add(path)
        target = os.path.join(copy, path)
        with open(origin, "rb") as f:
            data = f.read()
        if os.path.isfile(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        os.chmod(target, os.stat(origin).st_mode)
    for folder, _, files in os.walk(copy):
        for name in files:
            path = os.path.relpath(os.path.join(folder, name), copy)
            if path not in wanted:
                os.remove(os.path.join(copy, path))


def main(argv):
    if len(argv) == 4 and argv[1] == "sync":
        sync(argv[2], argv[3])
    elif len(argv) == 5 and argv[1] == "pick" and argv[3].isdigit() and int(argv[3]) > 0:
        pick(argv[2], int(argv[3]), argv[4])
    elif len(argv) == 6 and argv[1] == "apply" and argv[3].isdigit():
        apply(argv[2], int(argv[3]), argv[4], argv[5])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    try:
        main(sys.argv)
    except (OSError, subprocess.CalledProcessError, UnicodeDecodeError) as error:
        sys.exit(f"mutation_sites.py: {error}")
