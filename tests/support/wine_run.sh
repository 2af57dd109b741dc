#!/usr/bin/env bash
# Runs one test of a Windows test program under Wine against the native demo
# service, or makes or removes the Wine prefix that the tests of a run share. It
# stops what it started, and nothing else: its own Xvfb, the demo service and the
# wineserver of its own prefix.
#
#   wine_run.sh prefix DIR          (re)creates the prefix, with a virtual desktop
#   wine_run.sh remove-prefix DIR   stops the prefix's wineserver and removes it
#   wine_run.sh run PREFIX SERVICE OUT TEST DISPLAY EXE [ARG...] [-- SERVICE OPTION...]
#     runs EXE --gtest_filter=TEST under Wine, on a virtual X display of its own
#     when DISPLAY is "display", or as a native program when it is "native"
#     (PREFIX is then unused). EXE finds the service through LUMARI_SERVICE_URL,
#     its request log through LUMARI_REQUEST_LOG, the order lines it sent through
#     LUMARI_SENT_LOG and a folder of its own through LUMARI_OUT.
set -euo pipefail

ready_mark=.lumari-wine-ready
xvfb_pid= service_pid= wine_used=
say() { echo "wine-run: $*" >&2; }
die() { say "$*"; exit 1; }

# Wine quiet, without a proxy (the service is on loopback), on the prefix $1.
wine_environment() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 WINEPREFIX="$1"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY DISPLAY
}

stop_wine_server() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }

stop_started() {
  [ -z "$wine_used" ] || stop_wine_server
  local pid
  for pid in $service_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  wine_used= service_pid= xvfb_pid=
}

# wait_for WHAT FILE PID: until FILE has a line, while PID lives, at most 10 s.
wait_for() {
  local i
  for ((i = 0; i < 200; i++)); do
    [ ! -s "$2" ] || return 0
    kill -0 "$3" 2>/dev/null || die "$1 ended at once"
    sleep 0.05
  done
  die "$1 gave no answer within 10 s"
}

# Starts Xvfb on a display it picks itself, its notes in folder $1.
start_xvfb() {
  : >"$1/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >"$1/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for Xvfb "$1/display" "$xvfb_pid"
  export DISPLAY=":$(head -n 1 "$1/display")"
}

remove_prefix() {
  [ -d "$1" ] || return 0
  wine_environment "$1"
  stop_wine_server
  rm -rf "$1"
}

# A virtual desktop: without a window manager Wine stalls whenever a window with
# a title bar is hidden.
make_prefix() {
  local prefix=$1 scratch started=$SECONDS
  remove_prefix "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wine_environment "$prefix"
  scratch=$(mktemp -d)
  trap 'stop_started; rm -rf "$scratch"' EXIT
  start_xvfb "$scratch"
  wine_used=1
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 ||
    die "cannot set the virtual desktop"
  wineserver -w
  [ -f "$prefix/system.reg" ] || die "wineboot made no prefix in $prefix"
  touch "$prefix/$ready_mark"
  say "Wine prefix ready in $((SECONDS - started)) s: $prefix"
  stop_started
  rm -rf "$scratch"
  trap - EXIT
}

run_test() {
  [ $# -ge 6 ] || die "usage: $0 run PREFIX SERVICE OUT TEST DISPLAY EXE [ARG...] [-- SERVICE OPTION...]"
  local prefix=$1 service=$2 out=$3 test=$4 display=$5 exe=$6 started=$SECONDS args=() status try
  shift 6
  while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
  [ $# -eq 0 ] || shift
  [ -x "$service" ] || die "the demo service $service is missing: build the native preset first,
    or set LUMARI_NATIVE_BUILD_DIR to a native build that has it"
  [ -f "$exe" ] || die "the test program $exe is missing"
  local run=(wine "$exe")
  [ "$display" != native ] || run=("$exe")
  [ "$display" = native ] || [ -f "$prefix/$ready_mark" ] || make_prefix "$prefix"
  rm -rf "$out"
  mkdir -p "$out/work"
  out=$(cd "$out" && pwd)
  trap stop_started EXIT
  [ "$display" = native ] || wine_environment "$prefix"
  [ "$display" != display ] || start_xvfb "$out"
  : >"$out/service.out"
  "$service" --port 0 --sent-log "$out/sent.log" "$@" >"$out/service.out" 2>>"$out/service.log" &
  service_pid=$!
  wait_for "the demo service" "$out/service.out" "$service_pid"
  export LUMARI_SERVICE_URL="http://127.0.0.1:$(head -n 1 "$out/service.out")" \
    LUMARI_REQUEST_LOG="$out/service.log" LUMARI_SENT_LOG="$out/sent.log" LUMARI_OUT="$out/work"
  [ "$display" = native ] || wine_used=1
  for try in 1 2; do
    status=0
    timeout --kill-after=10 220 "${run[@]}" --gtest_filter="$test" --gtest_color=no "${args[@]}" \
      2>&1 | tee "$out/test.log" || status=${PIPESTATUS[0]}
    # A program that printed nothing never ran: Wine failed to start it (seen once
    # in many runs). That is no verdict on the test, so it gets one more start.
    [ "$display" != native ] && [ "$status" -ne 0 ] && [ ! -s "$out/test.log" ] && [ "$try" -eq 1 ] || break
    say "Wine started nothing; starting the test once more"
    stop_wine_server
  done
  if [ "$status" -eq 0 ] && ! grep -q '^\[  PASSED  \] 1 test\.' "$out/test.log"; then
    say "the program ran no test named $test"
    status=1
  fi
  stop_started
  trap - EXIT
  [ "$status" -eq 0 ] || { say "the demo service's last requests:"; tail -n 20 "$out/service.log" >&2 || true; }
  say "$test $([ "$status" -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s; logs in $out"
  return "$status"
}

case ${1:-} in
  prefix) [ $# -eq 2 ] || die "usage: $0 prefix DIR"; make_prefix "$2" ;;
  remove-prefix) [ $# -eq 2 ] || die "usage: $0 remove-prefix DIR"; remove_prefix "$2" ;;
  run) shift; run_test "$@" ;;
  *) die "usage: $0 prefix DIR | remove-prefix DIR | run PREFIX SERVICE OUT TEST DISPLAY EXE ..." ;;
esac
