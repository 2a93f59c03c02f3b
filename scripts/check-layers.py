#!/usr/bin/python3
"""Checks the program's layering from its sources.
  scripts/check-layers.py [ROOT]
Every #include of a project header must name a layer at or below the
includer's own, and nothing outside gui/ may include Qt. Prints each breach
and exits 1 if there is one."""
import pathlib
import re
import sys

# Each layer and the layers below it that it may include.
BELOW = {
    "platform": [],
    "support": ["platform"],
    "engine": ["platform", "support"],
    "report": ["platform", "support", "engine"],
    "report/result": ["platform", "support", "engine", "report"],
    "cli/result": ["platform", "support", "engine", "report"],
    "cli/supervision": ["platform", "support", "engine", "report"],
    "cli/merge": ["platform", "support", "engine", "report", "report/result", "cli/result"],
    "cli/kept": ["platform", "support", "engine", "report", "report/result", "cli/result"],
    "cli": ["platform", "support", "engine", "report", "report/result", "cli/result",
            "cli/supervision", "cli/merge", "cli/kept"],
    "gui/toolkit": ["platform", "support"],
    "gui/controls": ["platform", "support", "gui/toolkit"],
    "gui/desktop": ["platform", "support"],
    "gui/wizard": ["platform", "support", "engine", "report", "report/result", "gui/toolkit",
                   "gui/controls", "gui/desktop"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
# A Qt Designer form names the headers of its custom widgets.
FORM_HEADER = re.compile(r"<header>([^<]+)</header>")
QT = re.compile(r"^(Q[A-Za-z]|Qt|qt|ui_)")


def layer_of(path):
    """The longest layer folder a path from the root starts with, or None."""
    matches = [name for name in BELOW if path == name or path.startswith(name + "/")]
    return max(matches, key=len) if matches else None


def includes(source):
    text = source.read_text(encoding="utf-8")
    if source.suffix == ".ui":
        return [('"', header) for header in FORM_HEADER.findall(text)]
    return INCLUDE.findall(text)


def breaches(root):
    # Tests, tools and benchmarks may use any layer.
    sources = {s for layer in BELOW for s in (root / layer).rglob("*")}
    for source in sorted(sources):
        if source.suffix not in (".h", ".cpp", ".ui") or not source.is_file():
            continue
        own = layer_of(source.relative_to(root).as_posix())
        for bracket, header in includes(source):
            name = source.relative_to(root)
            if QT.match(header) and not own.startswith("gui/"):
                yield f"{name}: includes the Qt header {header} outside gui/"
            target = layer_of(header) if bracket == '"' else None
            if target and target != own and target not in BELOW[own]:
                yield f"{name}: includes {header}, of {target}, from {own}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(breaches(root))
    for line in found:
        print(line)
    print(f"layers: {len(found)} breach(es)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
