#!/usr/bin/env bash
# Each Windows build compiles the code that ships with exactly one
# optimisation level, -Os, the one its toolchain file names. Read back from
# the compile commands CMake wrote, so that a level CMake appends of its own
# cannot slip in again unseen.
# Usage: flags.sh BUILD-DIR...   Prints "ok - ..." / "not ok - ..."; exits 1 on a failure.
set -euo pipefail
. "$(dirname "$0")/../checks.sh"

for dir in "$@"; do
    check "$(basename "$dir"): the shipped sources compile with -Os alone" /usr/bin/python3 - "$dir" <<'PY'
import json, os, shlex, sys
build = sys.argv[1]
shipped = ("chat/", "winhelpers/", "forms/", "platform/runtime.cpp", "platform/win32/Win", "app/")
with open(os.path.join(build, "compile_commands.json")) as f:
    commands = json.load(f)
root = os.path.commonpath([c["file"] for c in commands if "/googletest/" not in c["file"]])
bad, seen = [], 0
for c in commands:
    source = os.path.relpath(c["file"], root)
    if not source.startswith(shipped):
        continue
    seen += 1
    levels = [a for a in shlex.split(c["command"]) if a.startswith("-O")]
    if levels != ["-Os"]:
        bad.append(f"{source}: {' '.join(levels) or 'none'}")
print(f"# {seen} shipped sources")
for line in bad:
    print(f"#   {line}")
sys.exit(1 if seen == 0 or bad else 0)
PY
done
checks_done
