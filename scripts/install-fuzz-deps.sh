#!/usr/bin/env bash
# Installs what `make fuzz` needs on top of install-deps.sh: clang and its libFuzzer runtime.
# Only the fuzzing path needs these; quick when nothing is missing.
exec "$(dirname "$0")/install-deps.sh" clang-14 libclang-rt-14-dev
