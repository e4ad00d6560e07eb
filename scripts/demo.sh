#!/usr/bin/env bash
# Builds the program and runs it once on the bundled demo project (a fresh
# copy in build/demo/, made by the build), then shows the rebuilt preset table.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORA_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2
cmake --build build --target demo >/dev/null

# Without a display the run is silent (messages go to the service log); with
# one, the dialog appears while it works.
mode=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then mode=(/EXTERNAL=SILENT); fi
set +e
build/demo/Config/Calvora_Config "${mode[@]}"
code=$?
set -e
echo "Calvora_Config ended with exit code $code"
build/bin/presetdb dump build/demo/Calvora/Calvora.mdb PRESET_DEFS
exit $code
