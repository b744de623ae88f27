#!/usr/bin/env bash
# Each Windows build compiles the code that ships with exactly one
# optimisation level, -Os, the one its toolchain file names. Read back from
# the compile commands CMake wrote, so that a level CMake appends of its own
# cannot slip in again unseen.
# Usage: flags.sh BUILD-DIR...   Prints "ok - ..." / "not ok - ..."; exits 1 on a failure.
set -euo pipefail

failed=0 passed=0
for dir in "$@"; do
    if /usr/bin/python3 - "$dir" <<'PY'
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
name = os.path.basename(os.path.normpath(build))
if seen == 0 or bad:
    print(f"not ok - {name}: the shipped sources compile with -Os alone ({seen} seen)")
    for line in bad:
        print(f"#   {line}")
    sys.exit(1)
print(f"ok - {name}: the {seen} shipped sources compile with -Os alone")
PY
    then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "# $passed passed, $failed failed"
exit $(( failed > 0 ))
