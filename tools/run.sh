#!/usr/bin/env bash
# strandel's two commands, for a fresh Debian 12 machine as root:
#   bash tools/run.sh demo   installs what is needed, builds, runs the demo
#   bash tools/run.sh test   installs what is needed, builds, runs every test
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# Reference material: ../shared beside the repository, or STRANDEL_SHARED.
shared=${STRANDEL_SHARED:-$root/../shared}

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev python3
  libfltk1.3-dev libxrandr-dev libxinerama-dev libcairo2-dev zlib1g-dev liblzma-dev
  libjpeg62-turbo-dev libgif-dev libxft-dev
  libgtest-dev xvfb libxtst-dev x11-utils xdotool openbox imagemagick fonts-dejavu-core fonts-liberation fonts-liberation2
  libavcodec-dev libswscale-dev libmpg123-dev libpulse-dev libmp3lame-dev pulseaudio pulseaudio-utils
)

say() { printf '== %s\n' "$*"; }

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  say "building in $dir"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  local log="$dir/build.log"
  if ! cmake --build "$dir" -j"$(nproc)" >"$log" 2>&1; then
    grep -E '(error|warning):|Error ' "$log" | head -40
    echo "build failed; the whole log is $log" >&2
    exit 1
  fi
}

run_demo() {
  build "$root/build"
  "$root/build/make_demo" "$root/examples/demo"
  cd "$root/examples/demo"
  if [ -n "${DISPLAY:-}" ]; then
    exec "$root/build/strandel"
  fi
  # No display: show the demo on a private X server and save a screenshot.
  exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 2>/dev/null)
  local xvfb_pid=$! number
  read -r -t 10 number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
  "$root/build/strandel" &
  local app=$!
  sleep 2
  local shot="$root/build/demo-screenshot.png"
  import -window root "$shot"
  kill "$app" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  echo "demo screenshot: $shot"
}

run_tests() {
  build "$root/build" -DSTRANDEL_WERROR=ON
  say "unit and end-to-end tests"
  (cd "$root/build" && STRANDEL_SHARED="$shared" ctest --output-on-failure -j2 --timeout 300)

  # The ActionScript regression suite, scored against the recorded output:
  # every test listed in tests/peer/passing.txt must still pass.
  if [ -d "$shared/corpus/peer" ]; then
    say "peer tests"
    python3 "$shared/tools/peer-check.py" "$root/build/swfrun" "$shared/corpus/peer" \
      --passing "$root/tests/peer/passing.txt" --min 0.75 --images-min 0.8 --jobs 2
  fi

  # The same unit tests and the fuzzers with AddressSanitizer and
  # UndefinedBehaviorSanitizer, built with clang for libFuzzer.
  build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSTRANDEL_SANITIZE=ON -DSTRANDEL_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  say "unit tests under ASan/UBSan"
  export LSAN_OPTIONS="suppressions=$root/tools/lsan-suppressions.txt:print_suppressions=0"
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2 -L unit --timeout 900)
  say "fuzzing (30 s each)"
  for fuzzer in "$root"/build-asan/fuzz/fuzz_*; do
    corpus="$root/build-asan/fuzz-corpus/$(basename "$fuzzer")"
    mkdir -p "$corpus"
    seeds=()
    case $(basename "$fuzzer") in
      fuzz_settings) seeds=("$root/examples/demo") ;;
      *) [ -d "$shared/corpus/swf" ] && seeds=("$shared/corpus/swf") ;;
    esac
    "$fuzzer" -max_total_time=30 -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 \
      "$corpus" "${seeds[@]}" >"$corpus.log" 2>&1 || { tail -50 "$corpus.log"; exit 1; }
    echo "$(basename "$fuzzer"): $(grep -Eo 'Done [0-9]+ runs' "$corpus.log" || echo done)"
  done
  say "all tests passed"
}

case "${1:-}" in
  demo) install_packages; run_demo ;;
  test) install_packages; run_tests ;;
  *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac
