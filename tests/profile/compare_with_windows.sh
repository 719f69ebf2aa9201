#!/bin/bash
# Reads a corpus of settings files (hand-made cases and random ones from a
# fixed seed) with the system's own GetPrivateProfileIntA under Wine and with
# ours, every key of the saver's section, and requires the same results.
#   compare_with_windows.sh BUILD_DIR WINDOWS_BUILD_DIR [RANDOM_FILES]
# BUILD_DIR holds make_profile_corpus and profile_probe (Linux),
# WINDOWS_BUILD_DIR profile_probe.exe. No display is needed.
set -u
build="$(realpath "$1")"
windows_probe="$(realpath "$2")/profile_probe.exe"
random_files="${3:-400}"
source "$(dirname "$0")/../e2e/lib/wine.sh"
# The ANSI code page of a plain locale, whatever the caller's.
export LC_ALL=C
make_prefix

mkdir "$work/corpus"
"$build/tests/make_profile_corpus" "$work/corpus" "$random_files"
files=$(wc -l <"$work/corpus/list.txt")
folder="Z:$(echo "$work/corpus" | tr / '\\')"
(cd "$work" && wine "$windows_probe" "$folder" "$folder\\list.txt" "$folder\\keys.txt" >"$work/windows.out" 2>"$work/windows.err")
check "the Windows probe ran" test $? -eq 0 || cat "$work/windows.err"
"$build/tests/profile_probe" "$work/corpus" "$work/corpus/list.txt" "$work/corpus/keys.txt" >"$work/ours.out"
check "our probe ran" test $? -eq 0
reads=$(wc -l <"$work/ours.out")
check "every key of every file was read ($reads reads)" test "$reads" -gt 0 -a "$(wc -l <"$work/windows.out")" -eq "$reads"
if cmp -s "$work/windows.out" "$work/ours.out"; then
  check "$files files read alike" true
else
  diff "$work/windows.out" "$work/ours.out" | head -20
  check "$files files read alike" false
fi
finish
