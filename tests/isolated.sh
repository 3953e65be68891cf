#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test program in a fresh home: HOME and the XDG folders point at a
# new temporary folder, removed afterwards, and Qt draws offscreen.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/kivra-test.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/runtime"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config"
export XDG_DATA_HOME="$root/data"
export XDG_CACHE_HOME="$root/cache"
export XDG_RUNTIME_DIR="$root/runtime"
export QT_QPA_PLATFORM="${KIVRA_TEST_PLATFORM:-offscreen}"
export KIVRA_TEST_ROOT="$root"
# The leaks of outside libraries are suppressed by library (lsan.supp), which
# needs the whole stack of each allocation: the quick frame-pointer walk stops
# at the first C library built without frame pointers (glibc's vasprintf
# under GStreamer's Vulkan and PulseAudio device providers), so the library
# that leaked never shows. Sixteen frames reach it at a fraction of the cost
# of the default thirty. The test programs, and the station when a test
# starts it, inherit all of this.
if [ -n "${KIVRA_LSAN_SUPPRESSIONS:-}" ]; then
  export LSAN_OPTIONS="suppressions=$KIVRA_LSAN_SUPPRESSIONS:print_suppressions=0:fast_unwind_on_malloc=0:malloc_context_size=16${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi
# intercept_tls_get_addr=0: GCC 12's runtime can record a garbage thread-local
# range and then crash its own leak scan at exit ("Tracer caught signal 11").
# asan.supp names reports from system libraries that are no faults.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_stack_use_after_return=0:strict_string_checks=1:intercept_tls_get_addr=0:suppressions=$(cd "$(dirname "$0")" && pwd)/asan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$@"
