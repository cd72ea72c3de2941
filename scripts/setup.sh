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
# The benchmarks under bench/ use Google Benchmark.
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${need[@]}"
fi
