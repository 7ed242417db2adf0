#!/bin/sh
# Runs a Windows test program under Wine in the environment that scripts/wine-env.sh prepared.
exec wine "$@"
