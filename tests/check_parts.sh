#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a test program has a function that none of its CTest parts
# runs: a function added to a program split into parts must join one.
# Usage: check_parts.sh PROGRAM FUNCTION...
set -u
program=$1
shift
listed=$("$program" -functions | sed 's/()$//')
missing=0
for f in $listed; do
  case " $* " in
    *" $f "*) ;;
    *) echo "$f is in no part of $(basename "$program")"; missing=1 ;;
  esac
done
exit $missing
