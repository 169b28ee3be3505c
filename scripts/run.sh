#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine (scripts/start-program.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
exec bash scripts/start-program.sh build
