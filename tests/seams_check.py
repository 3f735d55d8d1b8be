#!/usr/bin/env python3
"""Keeps the seams between the project's parts narrow: each part includes
only its own headers and the headers meant for it.

- the program (src/app, device, scene, occlusion, overlay): its own folders,
  the layer's Windows API names (windows.h, d3d9.h, d3dx9.h) and the seam;
- the methods (src/methods): the program's headers, the layer's extras and
  their own;
- the benchmark (bench/) and the lab (lab/): the program's headers, the
  layer's extras, the methods and their own.
No part includes the layer's internals (d3d9/..., win32/..., ...) directly.

usage: seams_check.py REPO_ROOT
"""
import glob
import os
import re
import sys

PROGRAM = ["app", "device", "scene", "occlusion", "overlay"]
LAYER_API = {"windows.h", "d3d9.h", "d3dx9.h", "random.h", "report.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^>"]+)[>"]', re.M)
# Libraries a part links itself: the C and C++ libraries, SDL, GL, ImGui, stb.
LIBRARY = re.compile(r"^(SDL|epoxy/|imgui|backends/|stb_|emmintrin|sys/|unistd)")


def allowed(part, header, own, extras):
    folder = header.split("/")[0] if "/" in header else None
    if ("/" not in header and header in own) or header in LAYER_API or folder in PROGRAM:
        return True
    if part == "program":
        return False
    return header in extras or folder == "methods" or (part == "lab" and folder == "lab")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    extras = {os.path.basename(p) for p in glob.glob(os.path.join(root, "src", "platform", "extras", "*.h"))}
    parts = {"program": [os.path.join(root, "src", f) for f in PROGRAM],
             "methods": [os.path.join(root, "src", "methods")],
             "bench": [os.path.join(root, "bench")], "lab": [os.path.join(root, "lab")]}
    errors, checked = [], 0
    for part, folders in parts.items():
        files = [f for d in folders for f in glob.glob(os.path.join(d, "**", "*"), recursive=True)
                 if f.endswith((".cpp", ".h"))]
        own = {os.path.basename(f) for f in files}
        for path in files:
            with open(path, encoding="utf-8") as f:
                for bracket, header in INCLUDE.findall(f.read()):
                    if bracket == "<" and ("." not in header or LIBRARY.match(header)) and header not in LAYER_API:
                        continue
                    checked += 1
                    if not allowed(part, header, own, extras):
                        errors.append(f"{os.path.relpath(path, root)}: includes {header}, not meant for the {part}")
    for error in errors:
        print("seams-check: " + error)
    print(f"seams-check: {checked} includes checked: {len(errors)} across a seam")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
