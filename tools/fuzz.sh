#!/usr/bin/env bash
# Builds the libFuzzer harnesses (fuzz/) with clang into build-fuzz/ and runs
# each for a bounded time, starting from the seeds in fuzz/corpus/<harness>/.
# Fails on any crash, hang (-timeout), leak, sanitizer report or broken check.
# Installs nothing: tools/install-deps.sh brings clang and libclang-rt-14-dev.
#
#   tools/fuzz.sh                            # every harness, 12 s each
#   FUZZ_SECONDS=600 tools/fuzz.sh scenario  # one harness, ten minutes
#
# New inputs go to build-fuzz/corpus/<harness>/, failing ones to
# build-fuzz/artifacts/; rerun one with build-fuzz/bin/fuzz_<harness> <file>.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
seconds=${FUZZ_SECONDS:-12}
all=(reply_stream export_replies scenario stage_catalogue motor_params_json)
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=("${all[@]}")

if ! command -v clang++ >/dev/null 2>&1; then
    echo "error: clang++ not found (tools/install-deps.sh installs clang and libclang-rt-14-dev)" >&2
    exit 1
fi

echo "== build the fuzz harnesses (build-fuzz/)"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
targets=()
for harness in "${harnesses[@]}"; do
    targets+=(--target "fuzz_$harness")
done
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_LOGGING_RULES="*.debug=false"
unset VELMO_TRACE

failed=()
for harness in "${harnesses[@]}"; do
    corpus="$build/corpus/$harness"
    artifacts="$build/artifacts"
    mkdir -p "$corpus" "$artifacts"
    echo "== fuzz_$harness for ${seconds} s"
    # The scratch corpus comes first: libFuzzer adds new inputs there and
    # only reads the seeds in the repository.
    if ! "$build/bin/fuzz_$harness" "$corpus" "$root/fuzz/corpus/$harness" \
        -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -detect_leaks=1 \
        -artifact_prefix="$artifacts/$harness-" -print_final_stats=1 2>"$build/fuzz_$harness.log"; then
        tail -n 60 "$build/fuzz_$harness.log" >&2
        failed+=("$harness")
        continue
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov: .*corp' "$build/fuzz_$harness.log" | tail -n 3
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "== fuzzing found faults in: ${failed[*]} (inputs under $build/artifacts/)" >&2
    exit 1
fi
echo "== fuzzing found nothing"
