#!/usr/bin/env python3
"""Writes out the code blocks of one README section, in order, so that a test
can run them as a reader would. A block whose first line is a comment naming
a file (`# meson.build`, `// main.cpp: what it does`) is that file; one that
names a file and says more (`# meson.build for --data=source`) shows a
variant of it and is left out; any other block is shell commands, written to
commands-N.sh. Prints one line per block: `file NAME`, `variant NAME` or
`run commands-N.sh`.

Usage: readme_blocks.py README.md "SECTION TITLE" OUTDIR
"""
import re
import sys
from pathlib import Path

FILE_COMMENT = re.compile(r"^(?:#|//) ([\w.+-]+\.\w+|Makefile)(:.*| .+)?$")


def section(lines, title):
    """The lines under the heading `title`, up to the next heading of its level or above."""
    for i, line in enumerate(lines):
        heading = re.match(r"^(#+) (.*)$", line)
        if heading and heading.group(2).strip() == title:
            level = len(heading.group(1))
            end = next((j for j in range(i + 1, len(lines))
                        if re.match(rf"^#{{1,{level}}} ", lines[j])), len(lines))
            return lines[i + 1:end]
    sys.exit(f"readme_blocks.py: no section '{title}'")


def blocks(lines):
    """Indented code blocks: runs of lines indented by four spaces after a
    blank line, blank lines inside them kept."""
    found, current, previous_blank = [], None, True
    for line in lines + [""]:
        if current is not None:
            if line.startswith("    ") or not line.strip():
                current.append(line[4:])
                continue
            found.append(current)
            current = None
        if line.startswith("    ") and previous_blank:
            current = [line[4:]]
        previous_blank = not line.strip()
    if current is not None:
        found.append(current)
    return ["\n".join(block).strip("\n") + "\n" for block in found]


def main():
    readme, title, out = sys.argv[1:]
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    commands = 0
    for block in blocks(section(Path(readme).read_text().splitlines(), title)):
        named = FILE_COMMENT.match(block.splitlines()[0])
        if named and named.group(2) and not named.group(2).startswith(":"):
            print(f"variant {named.group(1)}")
        elif named:
            (out / named.group(1)).write_text(block)
            print(f"file {named.group(1)}")
        else:
            commands += 1
            (out / f"commands-{commands}.sh").write_text(block)
            print(f"run commands-{commands}.sh")


main()
