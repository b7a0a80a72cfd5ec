#!/bin/sh
# scripts/fuzz.sh must fail, naming the target, when a fuzzer leaves a finding, and pass
# when a run finds nothing, even with findings of earlier runs still in the folder.
# Stand-in fuzzers play libFuzzer's part. Usage: fuzz_script_test.sh SCRIPT
set -eu
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fuzz"

# A fuzzer that writes its finding where -artifact_prefix says, as libFuzzer does.
cat > "$work/crashing" <<'FUZZER'
#!/bin/sh
for arg; do case $arg in -artifact_prefix=*) prefix=${arg#-artifact_prefix=} ;; esac; done
printf 'boom' > "${prefix}crash-0123"
echo "==1==ERROR: AddressSanitizer: heap-buffer-overflow" >&2
exit 1
FUZZER
cat > "$work/clean" <<'FUZZER'
#!/bin/sh
echo "#100 DONE cov: 42 ft: 50 corp: 3/30b" >&2
echo "stat::number_of_executed_units: 100" >&2
exit 0
FUZZER
chmod +x "$work/crashing" "$work/clean"

run() {
    cp "$work/$1" "$work/fuzz/utf_fuzzer"
    set +e
    MOVRA_FUZZ_BUILD=$work MOVRA_FUZZ_PREBUILT=1 bash "$script" utf_fuzzer 1 >"$work/out" 2>&1
    status=$?
    set -e
}

run crashing
if [ "$status" -eq 0 ] || ! grep -q "findings in: utf_fuzzer" "$work/out"; then
    echo "a finding was reported as success (status $status):" >&2
    cat "$work/out" >&2
    exit 1
fi

run clean
if [ "$status" -ne 0 ] || ! grep -q "utf_fuzzer: 100 executions, 42 edges, 0 findings" "$work/out"; then
    echo "a clean run failed, or counted an earlier finding (status $status):" >&2
    cat "$work/out" >&2
    exit 1
fi
