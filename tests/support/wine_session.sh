# shellcheck shell=bash
# What the test runners that start Windows programs under Wine share: messages,
# the Wine environment, the Wine prefix of a test run, the native demo service
# and stopping what a runner started (and nothing else).
#
# Sourced, not run. Before sourcing, a runner sets session_tag (what its
# messages begin with) and ready_mark (the file that marks a finished prefix).
# The functions keep their state in wine_used (Wine was started with the
# current prefix) and service_pid (the demo service started last).

: "${session_tag:?set session_tag before sourcing wine_session.sh}"
: "${ready_mark:?set ready_mark before sourcing wine_session.sh}"
wine_used=
service_pid=

say() { echo "$session_tag: $*" >&2; }
die() {
  say "$*"
  exit 1
}

need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps installs it)"
  done
}

# Points Wine at the prefix $1, quiet and without a proxy: the tests speak to a
# service on loopback.
wine_environment() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 WINEPREFIX="$1"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
}

# Ends the wineserver of the current prefix and every Wine process under it.
stop_wine_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Stops Wine if this runner started it with the current prefix.
stop_started_wine() {
  [ -z "$wine_used" ] || stop_wine_server
}

# Ends the process $1 that this runner started, if any.
end_process() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# Selects the prefix $1 and removes whatever an earlier run left there.
clear_wine_prefix() {
  local prefix=$1
  wine_environment "$prefix"
  mkdir -p "$(dirname "$prefix")"
  if [ -d "$prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
  fi
}

# Boots a new prefix in the selected folder $1 and marks it ready. A command
# given after the folder runs once Wine is up, before the wineserver ends, so
# that settings it makes are read by the next Wine process.
boot_wine_prefix() {
  local prefix=$1
  shift
  wine_used=1
  local started=$SECONDS
  wineboot -i >/dev/null 2>&1 || true
  [ $# -eq 0 ] || "$@"
  wineserver -w
  [ -f "$prefix/system.reg" ] || die "wineboot made no prefix in $prefix"
  touch "$prefix/$ready_mark"
  say "Wine prefix ready in $((SECONDS - started)) s: $prefix"
}

# Stops the wineserver of the prefix $1 and removes the prefix.
remove_wine_prefix() {
  local prefix=$1
  [ -d "$prefix" ] || return 0
  wine_environment "$prefix"
  stop_wine_server
  rm -rf "$prefix"
}

# Starts the demo service $1 in the background on port $2 (0: a free one it
# picks), with its files in folder $3: the port it listens on in service.out,
# its request log appended to service.log, the orders it sent in sent.log.
# Further arguments are the service's own options. Sets service_pid.
start_demo_service() {
  local service=$1 port=$2 out=$3
  shift 3
  # Emptied here, not by the redirection below: that happens in the background
  # and the port of an earlier start would be read in the meantime.
  : >"$out/service.out"
  "$service" --port "$port" --sent-log "$out/sent.log" "$@" \
    >"$out/service.out" 2>>"$out/service.log" &
  service_pid=$!
}

# Prints the port the demo service started last names in $1/service.out, waiting
# up to 10 s for it. Fails with 1 if the service ends first, with 2 if it names
# no port in time.
await_service_port() {
  local out=$1 port i
  for ((i = 0; i < 200; i++)); do
    port=$(head -n 1 "$out/service.out" 2>/dev/null || true)
    if [ -n "$port" ]; then
      echo "$port"
      return 0
    fi
    kill -0 "$service_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 2
}

# Succeeds if the test program's output $1 reports exactly one test passed.
passed_one_test() {
  grep -q '^\[  PASSED  \] 1 test\.' "$1"
}

# After a failed test ($1 not 0), shows the last requests the demo service
# logged in folder $2.
show_last_requests() {
  [ "$1" -ne 0 ] || return 0
  say "the demo service's last requests:"
  tail -n 20 "$2/service.log" >&2 || true
}
