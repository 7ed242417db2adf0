#!/usr/bin/env bash
# Cleaning at sign-in under Wine, which runs the user's Run entries when a prefix starts: for
# each scenario the test program sets the value (by the command or by the window's dialog) and
# seeds the cache, the prefix is restarted as a sign-in, and the program checks what is left.
#   signin_e2e.sh CLEAN_E2E_TESTS.exe
set -uo pipefail
TESTS="$1"
step() {
  DUSTWHIRL_SIGNIN_CASE="$1" wine "$TESTS" --gtest_filter="SignInE2E.$2" || { echo "FAIL: $1, $2" >&2; exit 1; }
}
sign_in() {
  wineserver -k
  wineserver -w
  wineboot
}
# cookie by the command; both by the dialog; a broken keep list (the value set as before);
# off, which ends it.
for CASE in cookie all broken off; do
  step "$CASE" Set
  sign_in
  step "$CASE" Check
done
echo "signin_e2e: OK"
