#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quillet.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

quillet_install_packages
quillet_build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Quillet is built (build/app/quillet) but there is no display to show it on: run ./run.sh from a desktop session." >&2
    exit 1
fi
exec build/app/quillet
