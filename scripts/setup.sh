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
# Installing is checked through pkg-config.
command -v pkg-config >/dev/null || need+=(pkg-config)
# Cross builds: GoogleTest's sources built with each cross compiler; 32-bit
# ARM (with and without a floating-point unit) and x86 Linux run under qemu,
# Windows programs under wine.
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v arm-linux-gnueabihf-g++ >/dev/null || need+=(g++-arm-linux-gnueabihf binutils-arm-linux-gnueabihf)
command -v arm-linux-gnueabi-g++ >/dev/null || need+=(g++-arm-linux-gnueabi binutils-arm-linux-gnueabi)
command -v i686-linux-gnu-g++ >/dev/null || need+=(g++-i686-linux-gnu binutils-i686-linux-gnu)
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
# 32-bit ARM Windows: clang and lld build the DLL, llvm's tools make the
# import library of msvcrt.dll and read the result; the processor-neutral
# mingw-w64 headers come with mingw-w64-common, the C++ headers with the
# x86-64 compiler above.
command -v clang >/dev/null || need+=(clang)
command -v lld-link >/dev/null || need+=(lld)
{ command -v llvm-dlltool >/dev/null && command -v llvm-readobj >/dev/null; } || need+=(llvm)
[ -f /usr/share/mingw-w64/include/stdlib.h ] || need+=(mingw-w64-common)
{ command -v qemu-arm >/dev/null && command -v qemu-i386 >/dev/null; } || need+=(qemu-user)
[ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
if [ ${#need[@]} -gt 0 ] || [ ${#web[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  [ ${#need[@]} -eq 0 ] || $SUDO apt-get install -y -qq "${need[@]}"
  [ ${#web[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${web[@]}"
fi
