#!/usr/bin/env bash
# Smoke test of lumari-demo-service over loopback with curl: answer bytes of every
# request, the order stream's shape and the sent log, every fault mode, password
# masking and a prompt exit on SIGTERM during a hang and a trickle.
# Usage: smoke_test.sh path/to/lumari-demo-service
set -u
service=${1:?usage: smoke_test.sh path/to/lumari-demo-service}
work=$(mktemp -d)
failures=0
pid=

cleanup() {
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

check() {  # check <description> <command...>: passes when the command succeeds
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

start() {  # start <options...>: runs the service, sets pid, port and url
  rm -f "$work/out" "$work/err"
  "$service" "$@" >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 1 100); do
    [[ -s $work/out ]] && break
    sleep 0.05
  done
  port=$(head -n 1 "$work/out")
  url="http://127.0.0.1:$port"
}

stop() {  # stop: SIGTERM, sets stop_rc and stop_ms
  local begin end
  begin=$(date +%s%N)
  kill -TERM "$pid"
  wait "$pid"
  stop_rc=$?
  end=$(date +%s%N)
  stop_ms=$(((end - begin) / 1000000))
  pid=
}

body_is() {  # body_is <printf form of the expected bytes> <path>
  cmp -s <(printf "$1") <(curl -s --max-time 5 "$url$2")
}

fault() { curl -s --max-time 5 "$url/demo/fault?mode=$1&count=1" >/dev/null; }

orders="/GetTD.do?systemid=11&userid=1234&loginid=AA-BB-CC-DD-EE-FF"

# --- requests and answers -------------------------------------------------------
start --seed 3 --max-orders 4 --max-open 2 --sent-log "$work/sent.log" \
  --account 'demo@example.com demo 1234 11=Alpha' \
  --account 'multi@example.com "pass word&x" 5678 11=Alpha 12="Beta Fund" 15=Gamma' \
  --account 'none@example.com demo 9012'
check "prints a port" test -n "$port"
check "login, one system" body_is '1234;11;Alpha;' '/LumariLoginCheckAction.do?email=demo@example.com&password=demo'
check "login, several systems" body_is '5678;11;Alpha;12;Beta Fund;15;Gamma;' \
  '/LumariLoginCheckAction.do?email=multi%40example.com&password=pass%20word%26x'
check "login, no system" body_is '9012;' '/LumariLoginCheckAction.do?email=none@example.com&password=demo'
check "login, wrong password" body_is '0;' '/LumariLoginCheckAction.do?email=demo@example.com&password=Demo'
check "login, unknown e-mail" body_is '0;' '/LumariLoginCheckAction.do?email=x@example.com&password=demo'
check "selection" body_is 'OK' \
  '/LumariLoginSelectSystemAction.do?email=multi@example.com&password=pass%20word%26x&systemid=12&loginid=M1'
check "selection, wrong password" body_is '0;' \
  '/LumariLoginSelectSystemAction.do?email=multi@example.com&password=demo&systemid=12&loginid=M1'
check "selection recorded" grep -q 'choice multi@example.com loginid=M1 systemid=12' <(curl -s "$url/demo/state")
check "poll of the session holder" body_is '\r\nXXX' '/GetTD.do?systemid=11&userid=5678&loginid=M1'
check "poll of another machine: forced logout" body_is '\r\nYYY' '/GetTD.do?systemid=12&userid=5678&loginid=M2'
check "poll of an unknown user: forced logout" body_is '\r\nYYY' '/GetTD.do?systemid=11&userid=4321&loginid=M1'
curl -s "$url/LumariLoginCheckAction.do?email=multi@example.com&password=pass%20word%26x" >/dev/null
curl -s -o /dev/null "$url/GetTD.do?systemid=12&userid=5678&loginid=M2"
check "after a new login the next poll takes the session" body_is '\r\nYYY' '/GetTD.do?systemid=12&userid=5678&loginid=M1'
for i in $(seq 1 150); do curl -s --max-time 5 "$url$orders" >"$work/answer.$i"; done
check "stream, sent log and /demo/sent agree" python3 - "$work" "$url" <<'PY'
import collections, re, sys, urllib.request
work, url = sys.argv[1], sys.argv[2]
answers = [open(f"{work}/answer.{i}", "rb").read() for i in range(1, 151)]
shape = re.compile(rb"^\r\n(?:[^;\r\n]+;\n)*[^;\r\n]+;$")
lines = []
for answer in answers:
    if answer == b"\r\nXXX":
        continue
    assert shape.match(answer), answer
    lines += answer[2:-1].split(b";\n")
assert answers[-20:] == [b"\r\nXXX"] * 20, "a finite stream ends in idle answers"
two = [a for a in answers if a.count(b";") == 2]
assert two, "some answer has two lines"
open(f"{work}/two-line", "wb").write(two[0])
sent = open(f"{work}/sent.log", "rb").read()
assert sent == b"".join(line + b"\r\n" for line in lines), "sent log"
assert urllib.request.urlopen(url + "/demo/sent?systemid=11").read() == sent
versions = collections.defaultdict(list)
for line in lines:
    fields = line.split(b",")
    assert len(fields) == 11 and fields[0].startswith(b"mtime=") and fields[2].startswith(b"ticket=")
    assert fields[10] == b"magic=11" and fields[3] in (b"BUY", b"SELL"), line
    assert re.fullmatch(rb"mtime=\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d\d\d", fields[0]), line
    versions[fields[2]].append(fields)
assert len(versions) == 4, "--max-orders 4"
for ticket, fields in versions.items():
    stamps = [f[0][6:-2] for f in fields]
    assert all(a < b for a, b in zip(stamps, stamps[1:])), (ticket, stamps)
    assert [f[8] for f in fields] == [b"OPEN"] * (len(fields) - 1) + [b"CLOSED"], ticket
PY
od -c "$work/two-line" >"$work/od.two"
check "password never logged" bash -c "! grep -q 'pass word\|pass%20word\|%26x\|password=[^*]' '$work/err'"
check "stdout holds the port only" test "$(cat "$work/out")" = "$port"
stop
check "SIGTERM exits 0" test "$stop_rc" -eq 0

# --- fault modes ----------------------------------------------------------------
start --repeat
curl -s -o /dev/null "$url$orders"
fault "delay:700"
check "delay: answer after the delay" bash -c \
  "t=\$(curl -s -o /dev/null -w '%{http_code} %{time_total}' --max-time 5 '$url$orders'); [[ \$t == 200\ 0.[7-9]* || \$t == 200\ 1.* ]] || { echo \"  got: \$t\"; false; }"
fault "hang"
check "hang: no answer (client time-out)" bash -c "curl -s --max-time 1 '$url$orders'; [[ \$? == 28 ]]"
fault "error-page"
check "error-page: 500 with <html>" bash -c \
  "[[ \$(curl -s -w '%{http_code}' --max-time 5 '$url$orders') == '<html>'*500 ]]"
fault "truncated"
check "truncated: curl reports a partial body" bash -c "curl -s --max-time 5 -o /dev/null '$url$orders'; [[ \$? == 18 ]]"
fault "huge"
check "huge: 17 MiB body" bash -c \
  "[[ \$(curl -s -o /dev/null -w '%{size_download}' --max-time 20 '$url$orders') == 17825792 ]]"
fault "reset"
check "reset: connection reset by peer" bash -c "curl -s --max-time 5 '$url$orders'; [[ \$? == 56 ]]"
fault "trickle"
check "trickle: about 2 bytes a second" bash -c \
  "curl -s --max-time 2.2 -o '$work/trickle' '$url$orders'; [[ \$? == 28 ]] && (( \$(stat -c %s '$work/trickle') >= 4 && \$(stat -c %s '$work/trickle') <= 6 ))"
fault "empty"
check "empty: 200 without body" bash -c \
  "[[ \$(curl -s -o /dev/null -w '%{http_code} %{size_download}' --max-time 5 '$url$orders') == '200 0' ]]"
curl -s -o /dev/null "$url/demo/fault?mode=redirect-loop"
check "redirect-loop: curl gives up" bash -c "curl -s -L --max-redirs 5 --max-time 5 -o /dev/null '$url$orders'; [[ \$? == 47 ]]"
curl -s -o /dev/null "$url/demo/fault?mode=none"
check "repeat: open orders come again" bash -c \
  "[[ \$(curl -s --max-time 5 '$url$orders') == \$'\\r\\n'mtime=* ]]"
check "bad fault mode is refused" bash -c \
  "[[ \$(curl -s -o /dev/null -w '%{http_code}' '$url/demo/fault?mode=bogus') == 400 ]]"
check "faults leave logins alone without --fault-all" bash -c \
  "curl -s -o /dev/null '$url/demo/fault?mode=empty'; [[ \$(curl -s '$url/LumariLoginCheckAction.do?email=none@example.com&password=demo') == '9012;' ]]"
stop

start --fault error-page --fault-all
check "fault-all covers logins" bash -c \
  "[[ \$(curl -s -o /dev/null -w '%{http_code}' '$url/LumariLoginCheckAction.do?email=demo@example.com&password=demo') == 500 ]]"
check "fault-all spares /demo/" bash -c \
  "[[ \$(curl -s -o /dev/null -w '%{http_code}' '$url/demo/state') == 200 ]]"
stop

# --- prompt exit while a hang and a trickle are in progress --------------------
start --fault hang
curl -s --max-time 30 -o /dev/null "$url$orders" &
curl -s --max-time 30 -o /dev/null "$url/demo/fault?mode=trickle&count=1"
curl -s --max-time 30 -o /dev/null "$url$orders" &
sleep 0.5
stop
check "exit within a second during hang and trickle (took ${stop_ms} ms)" test "$stop_ms" -lt 1000
check "exit status 0 after SIGTERM" test "$stop_rc" -eq 0
wait

echo
echo "a two-line order answer:"
cat "$work/od.two"
if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
