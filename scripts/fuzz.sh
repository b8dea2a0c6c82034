#!/usr/bin/env bash
# Runs every fuzz target for the given time (default 60 s each) and keeps the
# new inputs it finds in the committed corpus under tests/fuzz/corpus/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target fuzz_manifest fuzz_url fuzz_zip

status=0
for target in manifest url zip; do
    echo "== fuzz_$target for ${seconds}s"
    artifacts="build/native/fuzz/artifacts/$target/"
    mkdir -p "$artifacts"
    if ! "build/native/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=1024 -malloc_limit_mb=512 -timeout=10 \
            -artifact_prefix="$artifacts" -print_final_stats=1 "tests/fuzz/corpus/$target"; then
        echo "fuzz_$target found a failure; the input is in $artifacts"
        status=1
    fi
done
exit $status
