# Sourced first by the scripts a person or the CI starts (build, test, run, package, the
# benchmarks): strict mode, what scripts/arch.sh knows, and the checkout's root as ROOT and as
# the working folder, so that every path below is the checkout's whatever folder it was started in.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
ROOT="$DW_ROOT"
cd "$ROOT"
