#!/usr/bin/env python3
"""Keeps README.md and docs/*.md honest where a machine can tell.

Every relative link (and its #section) and every path in code names a file or
directory of the tree (globs must match one); every `make X` names a Makefile
target; every snake_case name in code (`query_wait_ms`, `pass_ms_*`) is a key
of the benchmark's summary or a column of its CSV, as `occlusion-bench --keys`
lists them (or a key its sweep prints), and every one of those is documented
(by name, or by a pattern: `*` for any text, a leading `M_` for each method
the benchmark runs); the README's "What it needs" list
gives each profile of scripts/bootstrap an item naming exactly the packages
that profile adds, and each of those packages is in the distribution's
package index where this machine has one (apt-cache); its Layout names every
source directory. Paths under build*/ and absolute paths are outputs or
install places, not checked.

usage: docs_check.py REPO_ROOT BENCH_PROGRAM
"""
import glob
import os
import re
import shutil
import subprocess
import sys

CODE_SPAN = re.compile(r"`((?:[^`\n]|\n(?!\s*\n))+)`")  # may wrap, not across a blank line
FENCE = re.compile(r"^```[^\n]*\n(.*?)^```", re.M | re.S)
LINK = re.compile(r"\]\(([^)\s]+)\)")
PATH_WORD = re.compile(r"^(?:\./)?[A-Za-z0-9_.*-]+(?:/[A-Za-z0-9_.*-]*)+$")
KEY_WORD = re.compile(r"^(?:M|[a-z][a-z0-9]*)(?:_[a-z*][a-z0-9*]*)+$")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def pages(root):
    return [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))


def slug(heading):
    """The anchor a Markdown heading gets: lowercase, punctuation dropped, spaces as hyphens."""
    text = re.sub(r"[^\w\- ]", "", heading.strip().lower())
    return text.replace(" ", "-")


def anchors(path):
    return {slug(m) for m in re.findall(r"^#+\s+(.*)$", read(path), re.M)}


def code_words(text):
    """Words of inline code and fenced blocks, with the span each came from."""
    fenced = FENCE.findall(text)
    prose = FENCE.sub("", text)
    spans = CODE_SPAN.findall(prose)
    for block in fenced:
        for line in block.splitlines():
            spans.append(line.split("#")[0])  # a shell comment is prose
    return spans


class BenchmarkNames:
    """What the benchmark names: its summary keys, CSV columns and contenders
    (as `occlusion-bench --keys` lists them) and the sweep's keys (printed as
    `key: value`, "%s" and "%d" in a key standing for any name or count)."""

    def __init__(self, root, program):
        listed = subprocess.run([program, "--keys"], capture_output=True, text=True, check=True).stdout
        self.keys = re.findall(r"^key ([a-z0-9_]+)", listed, re.M)
        self.columns = re.findall(r"^column ([a-z0-9_]+)", listed, re.M)
        self.contenders = re.findall(r"^contender ([a-z0-9_]+)", listed, re.M)
        sweep = read(os.path.join(root, "bench", "sweep.cpp"))
        self.sweep = re.findall(r'printf\("([a-z0-9%]+_[a-z0-9_%]+): %', sweep)

    def literal(self):
        return set(self.keys) | set(self.columns) | set(self.contenders)

    def sweep_samples(self):
        """Each sweep key with its names and counts as a sample ("x", "300");
        a key that starts with a name starts with a method's (`M_...`)."""
        method = self.contenders[0] if self.contenders else "x"
        return [re.sub(r"%d", "300", re.sub(r"%s", "x", re.sub(r"^%s_", method + "_", key))) for key in self.sweep]


def documented_pattern(word, contenders):
    """A documented name as a regular expression: `*` any text, a leading `M_`
    any contender's name."""
    body = re.escape(word).replace(r"\*", "[a-z0-9_]*")
    if word.startswith("M_"):
        body = "(?:" + "|".join(map(re.escape, contenders)) + ")" + body[1:]
    return re.compile("^" + body + "$")


def is_key(word, names):
    """A documented name names something the benchmark prints."""
    if word in names.literal():
        return True
    pattern = documented_pattern(word, names.contenders)
    sweep = [re.compile("^" + re.sub(r"%[sd]", "[a-z0-9_]+", key) + "$") for key in names.sweep]
    if any(p.match(word) for p in sweep):
        return True
    return any(pattern.match(k) for k in list(names.literal()) + names.sweep_samples())


def check_every_name_documented(names, documented, errors):
    """Every key, column and sweep key the benchmark prints is in the docs, by
    name or by a documented pattern."""
    patterns = [documented_pattern(w, names.contenders) for w in documented]
    for what, items in (("summary key", names.keys), ("CSV column", names.columns),
                        ("sweep key", names.sweep_samples())):
        for item in items:
            if not any(p.match(item) for p in patterns):
                errors.append(f"docs/: the benchmark's {what} '{item}' is documented nowhere")


def make_targets(root):
    return set(re.findall(r"^([A-Za-z0-9_-]+):", read(os.path.join(root, "Makefile")), re.M))


def defines(root, function):
    """A shell function or a C++ function of that name is defined somewhere."""
    pattern = re.compile(r"^\s*" + re.escape(function) + r"\(\)|\b" + re.escape(function) + r"\([^;]*\)\s*\{", re.M)
    for folder in ("src", "tests", "scripts", "bench", "lab"):
        for path in glob.glob(os.path.join(root, folder, "**", "*"), recursive=True):
            if os.path.isfile(path) and (re.search(r"\.(sh|cpp|h)$", path) or path.startswith(os.path.join(root, "scripts"))):
                with open(path, encoding="utf-8", errors="replace") as f:
                    if pattern.search(f.read()):
                        return True
    return False


def check_page(root, page, keys, targets, errors, counts, documented):
    text = read(page)
    name = os.path.relpath(page, root)
    where = os.path.dirname(page)
    for target in LINK.findall(text):
        if re.match(r"^[a-z]+:", target):
            continue
        file, _, section = target.partition("#")
        linked = os.path.normpath(os.path.join(where, file)) if file else page
        counts["links"] += 1
        if not os.path.exists(linked):
            errors.append(f"{name}: link to '{target}': no such file")
        elif section and linked.endswith(".md") and section not in anchors(linked):
            errors.append(f"{name}: link to '{target}': no section '#{section}' in {os.path.relpath(linked, root)}")
    for span in code_words(text):
        words = span.split()
        for i, word in enumerate(words):
            if i > 0 and words[i - 1] == "make" and not word.startswith("-"):
                counts["make targets"] += 1
                if word not in targets:
                    errors.append(f"{name}: 'make {word}': no such target in Makefile")
            path = word.split("=")[-1].rstrip(",;:.)")
            if PATH_WORD.match(path) and not path.lstrip("./").startswith("build"):
                counts["paths"] += 1
                if not glob.glob(os.path.join(root, path)):
                    errors.append(f"{name}: '{path}': no such file or directory")
        if len(words) == 1 and words[0].endswith("()"):
            counts["functions"] = counts.get("functions", 0) + 1
            if not defines(root, words[0][:-2]):
                errors.append(f"{name}: '{words[0]}': no such function in src/, tests/ or scripts/")
        if len(words) == 1 and KEY_WORD.match(words[0]):
            counts["benchmark keys"] += 1
            documented.add(words[0])
            if not is_key(words[0], keys):
                errors.append(f"{name}: '{words[0]}': not a key the benchmark prints nor a column of its CSV")
        elif len(words) == 1 and words[0] in keys.literal():  # a column of one word, `frame`
            documented.add(words[0])


def section(text, heading):
    match = re.search(r"^## " + re.escape(heading) + r".*?$(.*?)(?=^## |\Z)", text, re.M | re.S)
    return match.group(1) if match else None


def profiles(root):
    """scripts/bootstrap's profiles: name -> the packages it adds to the profiles it names."""
    bootstrap = read(os.path.join(root, "scripts", "bootstrap"))
    table = re.search(r"^declare -A profiles=\((.*?)^\)", bootstrap, re.S | re.M)
    words = {name: text.split() for name, text in re.findall(r'\[([\w-]+)\]="([^"]*)"', table.group(1) if table else "")}
    return {name: [w for w in ws if w not in words] for name, ws in words.items()}


def check_packages(root, readme, errors, notes):
    table = profiles(root)
    if not table:
        errors.append("scripts/bootstrap: found no profiles (declare -A profiles=(...)): the check would be vacuous")
        return
    needs = section(readme, "What it needs")
    if needs is None:
        errors.append("README.md: no section '## What it needs'")
        return
    listed = {}
    # Each item reads "`PROFILE` (or `scripts/bootstrap PROFILE`) ...: `packages`...".
    for item in re.findall(r"^- (.*?)(?=^- |^\s*$|\Z)", needs, re.M | re.S):
        spans = CODE_SPAN.findall(item)
        first = spans[0].split() if spans else []
        named = first[-1] if first and first[:-1] in ([], ["scripts/bootstrap"]) else None
        packages = {w for span in CODE_SPAN.findall(item.split(":", 1)[-1]) for w in span.split()}
        if named not in table:
            if packages:
                errors.append(f"README.md: 'What it needs' lists {' '.join(sorted(packages))} under no profile "
                              f"of scripts/bootstrap (an item starts with `PROFILE`)")
            continue
        listed.setdefault(named, set()).update(packages)
    for name, adds in sorted(table.items()):
        if name not in listed:
            errors.append(f"README.md: 'What it needs' has no item for the profile '{name}' of scripts/bootstrap")
            continue
        for package in sorted(listed[name] - set(adds)):
            errors.append(f"README.md: 'What it needs' lists {package} for '{name}', which that profile does not add")
        for package in sorted(set(adds) - listed[name]):
            errors.append(f"README.md: the profile '{name}' adds {package}, which 'What it needs' does not list for it")
    check_index(table, errors, notes)


def check_index(table, errors, notes):
    """Every package a profile adds is one the distribution's package index has."""
    lists = glob.glob("/var/lib/apt/lists/*_Packages*")
    if not shutil.which("apt-cache") or not lists:
        notes.append("no package index on this machine (apt-cache, /var/lib/apt/lists): package names not checked")
        return
    wanted = sorted({p for adds in table.values() for p in adds})
    # madison lists the versions the index offers, one line each: "name | version | source".
    shown = subprocess.run(["apt-cache", "madison", *wanted], capture_output=True, text=True).stdout
    known = {line.split("|")[0].strip() for line in shown.splitlines() if "|" in line}
    for name, adds in sorted(table.items()):
        for package in adds:
            if package not in known:
                errors.append(f"scripts/bootstrap: the profile '{name}' adds {package}, which the package index does not have")
    notes.append(f"{len(known & set(wanted))} of the {len(wanted)} packages of {len(table)} profiles are in the package index")


def check_layout(root, readme, errors):
    layout = section(readme, "Layout")
    if layout is None:
        errors.append("README.md: no section '## Layout'")
        return
    named = {line.split()[0].rstrip("/") for line in layout.splitlines() if line.strip() and "/" in line.split()[0]}
    def directories(under):
        # Hidden folders, caches and build trees are not the project's layout.
        return [os.path.join(under, d) for d in os.listdir(os.path.join(root, under))
                if os.path.isdir(os.path.join(root, under, d)) and not d.startswith((".", "_", "build"))]
    wanted = directories("") + directories("src") + directories("tests")
    for directory in sorted(wanted):
        if directory not in named and not any(n.startswith(directory + "/") for n in named):
            errors.append(f"README.md: Layout does not list {directory}/")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    root, program = sys.argv[1], sys.argv[2]
    keys = BenchmarkNames(root, program)
    errors = []
    if not keys.keys or not keys.columns or not keys.sweep:
        errors.append(f"{program} --keys or bench/sweep.cpp named nothing: the check would be vacuous")
    targets = make_targets(root)
    counts = {"links": 0, "paths": 0, "make targets": 0, "benchmark keys": 0}
    documented = set()
    for page in pages(root):
        check_page(root, page, keys, targets, errors, counts, documented)
    check_every_name_documented(keys, documented, errors)
    readme = read(os.path.join(root, "README.md"))
    notes = []
    check_packages(root, readme, errors, notes)
    check_layout(root, readme, errors)
    for line in errors + notes:
        print("docs-check: " + line)
    named = ", ".join(f"{n} {what}" for what, n in counts.items())
    print(f"docs-check: {len(pages(root))} pages naming {named}: {len(errors)} stale")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
