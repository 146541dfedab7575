#!/usr/bin/env bash
# Builds the libFuzzer targets of the database layer with clang (apart from the main g++ build)
# and runs each for a bounded time on a copy of the seed corpus. Fails when libFuzzer reports a
# crash, a hang or a sanitizer finding; the input that did it is kept under the build folder.
#
#   tests/fuzz/run_fuzz.sh [-t SECONDS] [-o BUILD_DIR] [TARGET...] [-- LIBFUZZER_FLAGS...]
#
# TARGET is translator or conversions (both by default). SECONDS is the time for each target
# (15 by default); the targets run side by side. BUILD_DIR defaults to build/fuzz in the checkout.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${FUZZ_SECONDS:-15}
out=${FUZZ_BUILD_DIR:-$root/build/fuzz}
targets=()
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds=$2; shift 2 ;;
    -o) out=$2; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    translator|conversions) targets+=("$1"); shift ;;
    *) echo "run_fuzz.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -eq 0 ] && targets=(translator conversions)

cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for candidate in clang++ clang++-14; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
  done
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)

# libFuzzer comes with clang's runtime package; without it there is nothing to run.
probe="$out/probe"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe.cpp"
if [ -z "$cxx" ] || ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe.cpp" -o "$probe" >"$probe.log" 2>&1; then
  echo "skipped: clang with libFuzzer not found${cxx:+ ($cxx cannot link -fsanitize=fuzzer)}"
  exit 0
fi

read -r -a qt_cflags <<<"$(pkg-config --cflags Qt6Core)"
read -r -a qt_libs <<<"$(pkg-config --libs Qt6Core)"
engine="$root/src/engine"
sources=(JetTranslator JetTokenizer JetDdl Conversions EngineError)
objects=("${sources[@]/%/.o}")
objects=("${objects[@]/#/$out/}")
flags=(-std=c++20 -fPIC -g -O1 -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS
       -fsanitize=address,undefined -fno-sanitize-recover=all "${qt_cflags[@]}")

# Rebuild only when a source, a header, the compiler or the flags changed.
stamp=$( { "$cxx" --version; echo "${flags[*]} ${qt_libs[*]}";
           cat "$engine"/{JetTranslator,JetTokenizer,JetDdl,Conversions,EngineError}.cpp "$engine"/{JetTranslator,JetSyntax,Conversions,EngineError}.h "$here"/fuzz_*.cpp; } | sha1sum | cut -d' ' -f1)
if [ "$(cat "$out/stamp" 2>/dev/null)" != "$stamp" ] || ! [ -x "$out/fuzz_translator" ] || ! [ -x "$out/fuzz_conversions" ]; then
  echo "building the fuzz targets with $cxx in $out"
  rm -f "$out/stamp"
  started=$SECONDS
  pids=()
  for source in "${sources[@]}"; do
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$engine/$source.cpp" -o "$out/$source.o" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  pids=()
  for target in translator conversions; do
    "$cxx" "${flags[@]}" -fsanitize=fuzzer -I"$root/src" "$here/fuzz_$target.cpp" \
      "${objects[@]}" "${qt_libs[@]}" -o "$out/fuzz_$target.tmp" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  for target in translator conversions; do
    mv "$out/fuzz_$target.tmp" "$out/fuzz_$target"
  done
  echo "$stamp" >"$out/stamp"
  echo "built in $((SECONDS - started)) s"
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:symbolize=1:handle_abort=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
unset LSAN_OPTIONS

touch "$out/run-started"
pids=()
for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  artifacts="$out/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  # The working corpus keeps what earlier runs found; the seeds are added to it, never written.
  cp -n "$here/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  dict=()
  [ -f "$here/$target.dict" ] && dict=(-dict="$here/$target.dict")
  (cd "$out" && exec "./fuzz_$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 \
     -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" "${extra[@]}" "$corpus" >"$out/$target.log" 2>&1) &
  pids+=($!)
done

failed=0
for index in "${!targets[@]}"; do
  target=${targets[$index]}
  status=0
  wait "${pids[$index]}" || status=$?
  log="$out/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$target: ok, ${runs:-?} inputs in ${seconds} s, corpus $(ls "$out/corpus/$target" | wc -l) files"
  else
    failed=1
    echo "fuzz_$target: FAILED (exit $status); log $log"
    grep -E -A40 '^(==[0-9]+== ?ERROR|fuzz_[a-z]+: |.*runtime error:|ALARM:|.*Test unit written to)' "$log" | head -80 || tail -40 "$log"
    find "$out/artifacts/$target" -type f -newer "$out/run-started" | while read -r artifact; do
      echo "reproducer $artifact ($(wc -c <"$artifact") bytes): run $out/fuzz_$target $artifact"
      od -An -c "$artifact" | head -8
    done
  fi
done
exit $failed
