#!/usr/bin/env bash
# Runs one end-to-end scenario of LumariTerminal.exe under Wine, or makes or
# removes the Wine prefix that the scenarios of a test run share. It stops what
# it started, and nothing else: its own Xvfb, the demo service and the wineserver
# of its own prefix.
#
#   e2e_run.sh prefix DIR          (re)creates the prefix, with a virtual desktop
#   e2e_run.sh remove-prefix DIR   stops the prefix's wineserver and removes it
#   e2e_run.sh scenario --prefix DIR --driver EXE --program EXE --service BIN
#              --out DIR --test SUITE.NAME [--driver-option OPT]...
#              [-- demo service options...]
set -euo pipefail

readonly session_tag=e2e
readonly ready_mark=.lumari-e2e-ready
# shellcheck source-path=SCRIPTDIR source=../support/wine_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/wine_session.sh"
xvfb_pid=

# Starts Xvfb on a display it picks itself; sets xvfb_pid and DISPLAY.
start_xvfb() {
  local folder=$1 display_file="$1/display" i
  : >"$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >"$folder/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 200; i++)); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb ended at once: $(cat "$folder/xvfb.log")"
    sleep 0.05
  done
  [ -s "$display_file" ] || die "Xvfb named no display within 10 s"
  export DISPLAY=":$(head -n 1 "$display_file")"
}

stop_started() {
  stop_started_wine
  end_process "$service_pid"
  end_process "$xvfb_pid"
}

# A virtual desktop: without a window manager Wine stalls whenever a window
# with a title bar is hidden.
set_virtual_desktop() {
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 ||
    die "cannot set the virtual desktop"
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 ||
    die "cannot set the virtual desktop size"
}

make_prefix() {
  local prefix=$1 scratch
  need_tools wine wineboot wineserver Xvfb
  clear_wine_prefix "$prefix"
  scratch=$(mktemp -d)
  trap 'stop_started; rm -rf "$scratch"' EXIT
  start_xvfb "$scratch"
  boot_wine_prefix "$prefix" set_virtual_desktop
  stop_started
  xvfb_pid=
  wine_used=
  rm -rf "$scratch"
  trap - EXIT
}

run_scenario() {
  local prefix= driver= program= service= out= test= driver_options=()
  while [ $# -gt 0 ]; do
    case $1 in
      --prefix) prefix=$2; shift 2 ;;
      --driver) driver=$2; shift 2 ;;
      --program) program=$2; shift 2 ;;
      --service) service=$2; shift 2 ;;
      --out) out=$2; shift 2 ;;
      --test) test=$2; shift 2 ;;
      --driver-option) driver_options+=("$2"); shift 2 ;;
      --) shift; break ;;
      *) die "unknown option $1" ;;
    esac
  done
  local service_options=("$@")
  [ -n "$prefix" ] && [ -n "$driver" ] && [ -n "$program" ] && [ -n "$service" ] &&
    [ -n "$out" ] && [ -n "$test" ] || die "scenario needs --prefix --driver --program --service --out --test"
  [ -x "$service" ] || die "the demo service $service is missing: build the native preset first
    (cmake --preset dev && cmake --build --preset dev --target lumari-demo-service), or set
    LUMARI_NATIVE_BUILD_DIR to a native build that has it"
  [ -f "$driver" ] || die "the driver $driver is missing"
  [ -f "$program" ] || die "the program $program is missing"
  need_tools wine wineserver Xvfb timeout
  [ -f "$prefix/$ready_mark" ] || make_prefix "$prefix"

  local started=$SECONDS
  rm -rf "$out"
  mkdir -p "$out/work"
  out=$(cd "$out" && pwd)
  trap stop_started EXIT
  wine_environment "$prefix"
  start_xvfb "$out"

  start_demo_service "$service" 0 "$out" "${service_options[@]}"
  local port='' waited=0
  port=$(await_service_port "$out") || waited=$?
  [ "$waited" -ne 1 ] || die "the demo service ended at once: $(cat "$out/service.log")"
  [ -n "$port" ] || die "the demo service named no port within 10 s"

  wine_used=1
  local status=0
  timeout --kill-after=10 240 wine "$driver" --gtest_filter="$test" --gtest_color=no \
    --program="$program" --work="$out/work" --out="$out" \
    --service-url="http://127.0.0.1:$port" --sent-log="$out/sent.log" \
    --request-log="$out/service.log" "${driver_options[@]}" 2>&1 | tee "$out/driver.log" || status=${PIPESTATUS[0]}
  if [ "$status" -eq 0 ] && ! passed_one_test "$out/driver.log"; then
    say "the driver ran no test named $test"
    status=1
  fi
  stop_started
  trap - EXIT

  if command -v convert >/dev/null; then
    local shot
    for shot in "$out"/*.bmp; do
      [ -e "$shot" ] || continue
      convert "$shot" "${shot%.bmp}.png" 2>/dev/null && rm -f "$shot"
    done
  fi
  show_last_requests "$status" "$out"
  say "$test $([ "$status" -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s;" \
    "screenshots and logs in $out"
  return "$status"
}

case ${1:-} in
  prefix) [ $# -eq 2 ] || die "usage: $0 prefix DIR"; make_prefix "$2" ;;
  remove-prefix) [ $# -eq 2 ] || die "usage: $0 remove-prefix DIR"; remove_wine_prefix "$2" ;;
  scenario) shift; run_scenario "$@" ;;
  *) die "usage: $0 prefix DIR | remove-prefix DIR | scenario OPTIONS [-- service options]" ;;
esac
