#!/usr/bin/env python3
"""A program builds and runs with only its profile's packages.

Every file a program's build read (headers, the libraries it links) and
every shared library it loads, where a Debian package owns the file, comes
from a package that scripts/bootstrap PROFILE lists, one those depend on, or
an essential or required one. Meant for a tree built with Ninja.

usage: profile_packages.py REPO_ROOT BUILD_DIR PROFILE:PROGRAM...
Exit status 77 (skipped) without dpkg or a Ninja build.
"""
import os
import re
import shutil
import subprocess
import sys


def run(*command, cwd=None, check=False):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, check=check).stdout


def installed_packages():
    """name -> (dependency groups, essential or required); and virtual name -> providers."""
    packages, providers = {}, {}
    fields = "${Package}\t${Status}\t${Essential}\t${Priority}\t${Provides}\t${Depends}, ${Pre-Depends}\n"
    for line in run("dpkg-query", "-W", "-f=" + fields).splitlines():
        name, status, essential, priority, provides, depends = line.split("\t")
        if not status.endswith(" installed"):
            continue
        groups = [[re.split(r"[\s:(]", alt.strip())[0] for alt in group.split("|")]
                  for group in depends.split(",") if group.strip()]
        old = packages.get(name, ([], False))
        packages[name] = (old[0] + groups, old[1] or essential == "yes" or priority == "required")
        for virtual in provides.split(","):
            if virtual.strip():
                providers.setdefault(re.split(r"[\s:(]", virtual.strip())[0], set()).add(name)
    return packages, providers


def closure(roots, packages, providers):
    """The roots and what they depend on, taking the first alternative that is installed."""
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in seen or name not in packages:
            continue
        seen.add(name)
        for group in packages[name][0]:
            for alternative in group:
                chosen = {alternative} & packages.keys() or providers.get(alternative, set())
                if chosen:
                    todo.extend(chosen)
                    break
    return seen


def files_used(build, program, skip):
    inputs = run("ninja", "-t", "inputs", program, cwd=build, check=True).split()
    objects = [path for path in inputs if path.endswith(".o")]
    deps = run("ninja", "-t", "deps", *objects, cwd=build).splitlines() if objects else []
    headers = [line.strip() for line in deps if line.startswith(" ")]
    loaded = re.findall(r"=> (/\S+)", run("ldd", os.path.join(build, program)))
    paths = {os.path.realpath(p) for p in inputs + headers + loaded if os.path.isabs(p)}
    return sorted(p for p in paths if not any(p.startswith(s + os.sep) for s in skip))


def owners(paths):
    """path -> the packages that own it (on a merged /usr, dpkg may know it as /lib/...)."""
    aliases = {p: {p, re.sub(r"^/usr/(lib|lib64|bin|sbin)/", r"/\1/", p)} for p in paths}
    found = {}
    for line in run("dpkg", "-S", *sorted(set().union(*aliases.values()))).splitlines():
        if line.startswith("diversion ") or ": " not in line:
            continue
        names, path = line.split(": ", 1)
        found.setdefault(path, set()).update(n.strip().split(":")[0] for n in names.split(","))
    return {p: set().union(*(found.get(a, set()) for a in aliases[p])) for p in paths}


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    root, build = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    if not shutil.which("dpkg-query") or not os.path.exists(os.path.join(build, "build.ninja")):
        print("SKIP: needs dpkg and a tree built with Ninja")
        return 77
    packages, providers = installed_packages()
    given = {name for name, (_, base) in packages.items() if base}
    failures = 0
    for pair in sys.argv[3:]:
        profile, program = pair.split(":")
        listed = run(os.path.join(root, "scripts", "bootstrap"), "--list", profile, check=True).split()
        allowed = closure(listed, packages, providers) | given
        used = owners(files_used(build, program, [root, build]))
        outside = {}
        for path, names in used.items():
            if names and not names & allowed:
                outside.setdefault(" ".join(sorted(names)), []).append(path)
        for names, paths in sorted(outside.items()):
            failures += 1
            more = f" and {len(paths) - 1} more files" if len(paths) > 1 else ""
            print(f"FAIL: {program} uses {paths[0]}{more} of {names}, which the profile '{profile}' "
                  f"neither lists nor depends on")
        if not outside:
            count = len(set().union(*used.values()))
            print(f"{program}: {len(used)} files of {count} packages, all in the profile '{profile}' "
                  f"({len(listed)} packages), what those depend on, or essential")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
