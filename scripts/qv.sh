#!/usr/bin/env bash
# One entry for people and CI.
#   scripts/qv.sh run            install what is needed, build (Release) and start QVgui
#   scripts/qv.sh test [PRESET]  install what is needed, build and run every test;
#                                without PRESET both the Release and the sanitizer builds
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)

werror=()
[ "${QV_WERROR:-OFF}" = "ON" ] && werror=(-DQV_WERROR=ON)

build() {
    cmake --preset "$1" "${werror[@]}" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}

cmd=${1:-}
case "$cmd" in
run)
    bash scripts/install-deps.sh
    build release
    exec bash scripts/demo.sh build/release
    ;;
test)
    bash scripts/install-deps.sh
    shift
    presets=("$@")
    [ ${#presets[@]} -eq 0 ] && presets=(release asan)
    status=0
    for p in "${presets[@]}"; do
        echo "== build $p"
        build "$p"
        echo "== test $p"
        ctest --preset "$p" -j "$jobs" --timeout 600 || status=1
    done
    exit $status
    ;;
*)
    echo "usage: scripts/qv.sh run | test [release|asan]" >&2
    exit 2
    ;;
esac
