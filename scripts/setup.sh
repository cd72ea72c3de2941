#!/usr/bin/env bash
# Installs what building, running and testing need on a clean Debian machine.
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
# The host program draws its calculator screen with ncurses; its tests drive
# that screen in tmux.
[ -f /usr/include/ncurses.h ] || need+=(libncurses-dev)
command -v tmux >/dev/null || need+=(tmux)
[ -f /usr/include/mpfr.h ] || need+=(libmpfr-dev)  # reference of the accuracy stage
# The benchmarks under bench/ use Google Benchmark.
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# The web page: Emscripten builds the engine as WebAssembly (its optimizer
# runs on Node with acorn); its tests drive Chromium from Node, with a test
# package fetched by npm.
web=()
command -v emcc >/dev/null || web+=(emscripten)
[ -d /usr/share/nodejs/acorn ] || [ -d /usr/lib/nodejs/acorn ] || web+=(node-acorn)
command -v node >/dev/null || web+=(nodejs)
command -v npm >/dev/null || web+=(npm)
command -v python3 >/dev/null || web+=(python3)
command -v chromium >/dev/null || web+=(chromium)
if [ ${#need[@]} -gt 0 ] || [ ${#web[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  [ ${#need[@]} -eq 0 ] || $SUDO apt-get install -y -qq "${need[@]}"
  [ ${#web[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${web[@]}"
fi
