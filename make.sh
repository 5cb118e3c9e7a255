#!/usr/bin/env bash
# Entry for a bare Debian 12 machine (as root): installs make when it is
# missing, then runs make with the given targets; `demo` and `test` install
# everything else themselves (tools/setup.sh).
set -euo pipefail
cd "$(dirname "$0")"
if ! command -v make >/dev/null; then
    echo "[make.sh] installing make"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends make >/dev/null
fi
exec make "$@"
