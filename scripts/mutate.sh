#!/usr/bin/env bash
# Mutation check: applies each single-point change of scripts/mutations.txt on
# its own, rebuilds, runs the tests that cover that file, restores the file and
# reports every change that no test noticed.
#
#   scripts/mutate.sh                 every change in the list
#   scripts/mutate.sh render net      only changes to files under those folders
#
# Starts its own network namespace and X display (the tests start servers on
# fixed ports and Wine needs a display). Exits non-zero when a change survived
# that the list does not explain as equivalent, or when a change could not be applied.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
list=${MUTATIONS_LIST:-$root/scripts/mutations.txt}

if [ "${MORVANTA_MUTATE_INSIDE:-}" != 1 ]; then
    export MORVANTA_MUTATE_INSIDE=1
    exec unshare -n bash -c 'ip link set lo up; exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"' \
        "$0" "$@"
fi

export WINEPREFIX="$root/build/windows/wineprefix"
jobs=${MUTATE_JOBS:-2}

# Which build and tests cover a file: first matching prefix wins. The parsers
# that build without platform headers run natively, which is much quicker than Wine.
#   prefix | build | targets | ctest regex
coverage_table() {
    cat <<'EOF'
base/text.cpp|native|portable_tests|^portable_tests$
base/bytes_beside|windows|app_tests download_tests|^(app|download)_tests$
bootstrap/manifest.cpp|native|portable_tests|^portable_tests$
bootstrap/manifest_signature.cpp|native|portable_tests|^portable_tests$
net/resume_rules.cpp|native|portable_tests|^portable_tests$
net/retry_rules.cpp|native|portable_tests|^portable_tests$
tools/publish/|native|morvanta-publish|^publish_tool$
net/download_progress|windows|download_progress_tests|^download_progress_tests$
net/download|windows|download_tests|^download_tests$
net/digest_text|windows|download_tests|^download_tests$
net/http_client|windows|download_tests|^download_tests$
net/verified_copy|windows|MorvantaStarterTrust java_stand_in hold_folder|^trust_runs$
files/busy_retry|windows|MorvantaStarterFaults java_stand_in hold_folder|^fault_runs$
files/record_trust|windows|folder_trust_tests|^folder_trust_tests$
bootstrap/rollback_record|windows|signature_tests|^signature_tests$
net/url.cpp|native|portable_tests|^portable_tests$
archive/entry_name.cpp|native|portable_tests|^portable_tests$
render/|windows|render_tests|^render_tests$
app/support_log_file|windows|app_tests|^app_tests$
bootstrap/java_launch|windows|bootstrap_sequence_tests|^bootstrap_sequence_tests$
bootstrap/java_|windows|java_tests java_stand_in|^java_(link_loop_fixture|tests)$
files/folder_trust|windows|folder_trust_tests|^folder_trust_tests$
files/security_description|windows|folder_trust_tests|^folder_trust_tests$
files/held_verdict|windows|folder_trust_tests|^folder_trust_tests$
files/launch_hold|windows|MorvantaStarterTrust java_stand_in hold_folder|^trust_runs$
app/operations|windows|MorvantaStarterTrust java_stand_in hold_folder|^trust_runs$
bootstrap/machine_lock|windows|e2e_signed_tests MorvantaStarterSigned install_test_ca MorvantaStarterTrust java_stand_in hold_folder|^(e2e_signed_tests|trust_runs)$
files/trusted_folders|windows|folder_trust_tests MorvantaStarterTrust java_stand_in|^(folder_trust_tests|trust_runs)$
files/tree_removal|windows|folder_trust_tests|^folder_trust_tests$
bootstrap/runtime_folder|windows|folder_trust_tests|^folder_trust_tests$
bootstrap/work_folder|windows|folder_trust_tests|^folder_trust_tests$
files/plain_file|windows|folder_trust_tests|^folder_trust_tests$
files/private_file|windows|folder_trust_tests|^folder_trust_tests$
files/file_replace|windows|folder_trust_tests|^folder_trust_tests$
bootstrap/|windows|bootstrap_sequence_tests manifest_tests|^(bootstrap_sequence|manifest)_tests$
net/sha256|windows|sha256_tests|^sha256_tests$
net/|windows|url_tests sha256_tests download_progress_tests|^(url|sha256|download_progress)_tests$
archive/|windows|archive_tests|^archive_(fixtures|tests)$
EOF
}

coverage_for() {
    local file=$1 prefix rest
    while IFS='|' read -r prefix rest; do
        case $file in "$prefix"*) echo "$rest"; return 0 ;; esac
    done < <(coverage_table)
    return 1
}

# The one file under change, restored on every way out (Ctrl-C, failure, end).
current_file=""
backup=$(mktemp)
restore() {
    if [ -n "$current_file" ]; then
        cp -p "$backup" "$current_file"
        touch "$current_file"   # newer than the mutant's objects: the next build recompiles it
        current_file=""
    fi
}
built_targets=()
cleanup() {
    restore
    rm -f "$backup"
    # The last mutant's objects are still in the build trees: rebuild what was touched.
    local entry
    for entry in "${built_targets[@]}"; do
        # shellcheck disable=SC2086
        cmake --build "build/${entry%%|*}" -j"$jobs" --target ${entry#*|} >/dev/null 2>&1 ||
            echo "rebuild of ${entry#*|} in build/${entry%%|*} failed" >&2
    done
    WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'echo "interrupted: $current_file restored" >&2; exit 130' INT TERM

configured=""
ensure_build() {
    local build=$1
    case " $configured " in *" $build "*) return 0 ;; esac
    if [ ! -f "build/$build/CMakeCache.txt" ]; then
        cmake --preset "$build" >/dev/null || return 1
    fi
    configured="$configured $build"
}

build_and_test() {
    local build=$1 targets=$2 regex=$3 log=$4
    # shellcheck disable=SC2086
    cmake --build "build/$build" -j"$jobs" --target $targets >"$log" 2>&1 || return 2
    ctest --test-dir "build/$build" -R "$regex" --timeout 300 --output-on-failure >>"$log" 2>&1 || return 1
    return 0
}

# Keep the lines whose file lies under one of the folders asked for.
selected() {
    local file=$1 folder
    [ ${#folders[@]} -eq 0 ] && return 0
    for folder in "${folders[@]}"; do
        case $file in "${folder%/}/"*) return 0 ;; esac
    done
    return 1
}

folders=("$@")
mapfile -t lines < <(grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$list")

# One green baseline per test group before any change: otherwise every change would count as noticed.
declare -A baseline_ok=()
tried=0 noticed=0 survived=0 equivalent=0 broken=0 missing=0
survivors=()
logdir=$(mktemp -d)
start=$(date +%s)

if [ -n "$(ls -d build/windows 2>/dev/null)" ]; then
    cmake/wine-run.sh --keep-server || true
fi

for line in "${lines[@]}"; do
    # Tab-separated: file, original, replacement (may be empty), optional note.
    file=${line%%$'\t'*}; rest=${line#*$'\t'}
    original=${rest%%$'\t'*}; rest=${rest#*$'\t'}
    replacement=${rest%%$'\t'*}
    note=""; case $rest in *$'\t'*) note=${rest#*$'\t'} ;; esac
    selected "$file" || continue
    tried=$((tried + 1))
    label="$file: '$original' -> '$replacement'"
    if ! cover=$(coverage_for "$file"); then
        echo "NO TESTS MAPPED  $label"
        missing=$((missing + 1))
        continue
    fi
    IFS='|' read -r build targets regex <<<"$cover"

    if [ ! -f "$file" ]; then
        echo "FILE MISSING     $label"
        missing=$((missing + 1))
        continue
    fi
    count=$(python3 - "$file" "$original" <<'EOF'
import sys
print(open(sys.argv[1], encoding="utf-8").read().count(sys.argv[2]))
EOF
)
    if [ "$count" != 1 ]; then
        # Code moved or changed: the list must follow it, never skip quietly.
        echo "NOT FOUND ($count) $label"
        missing=$((missing + 1))
        continue
    fi

    ensure_build "$build" || { echo "cannot configure $build" >&2; exit 2; }
    if [ -z "${baseline_ok[$build|$regex]:-}" ]; then
        if ! build_and_test "$build" "$targets" "$regex" "$logdir/baseline.log"; then
            echo "baseline of '$regex' in $build is not green; see below" >&2
            tail -40 "$logdir/baseline.log" >&2
            exit 2
        fi
        baseline_ok[$build|$regex]=1
    fi

    case " ${built_targets[*]} " in *" $build|$targets "*) ;; *) built_targets+=("$build|$targets") ;; esac
    cp -p "$file" "$backup"
    current_file=$file
    python3 - "$file" "$original" "$replacement" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
EOF
    log="$logdir/mutant-$tried.log"
    t0=$(date +%s)
    build_and_test "$build" "$targets" "$regex" "$log"
    result=$?
    restore
    took=$(( $(date +%s) - t0 ))
    case $result in
        0)
            if [ -n "$note" ]; then
                equivalent=$((equivalent + 1))
                echo "survived (equivalent) ${took}s  $label  ${note}"
            else
                survived=$((survived + 1))
                survivors+=("$label")
                echo "SURVIVED ${took}s  $label"
            fi ;;
        1) noticed=$((noticed + 1)); echo "noticed  ${took}s  $label" ;;
        2) broken=$((broken + 1)); echo "no build ${took}s  $label"; tail -5 "$log" ;;
    esac
done

echo
echo "Changes no test noticed:"
if [ ${#survivors[@]} -eq 0 ]; then echo "  (none)"; fi
for s in "${survivors[@]}"; do echo "  $s"; done
echo
printf '%-10s %-9s %-9s %-11s %-9s %-9s %s\n' tried noticed survived equivalent "no build" "not found" minutes
printf '%-10s %-9s %-9s %-11s %-9s %-9s %s\n' "$tried" "$noticed" "$survived" "$equivalent" "$broken" "$missing" \
    "$(( ($(date +%s) - start + 59) / 60 ))"
rm -rf "$logdir"
[ "$survived" -eq 0 ] && [ "$missing" -eq 0 ]
