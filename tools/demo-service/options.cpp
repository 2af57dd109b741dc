#include "options.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace lumari::demo {
namespace {

template <typename Number>
core::Result<Number> read_number(const std::string& name, const std::string& text, Number low,
                                 Number high) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low ||
      value > high) {
    return core::fail(name + " needs a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + text + "\"");
  }
  return value;
}

}  // namespace

core::Result<Options> parse_options(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> inline_value;
    if (const auto equals = name.find('=');
        name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inline_value = name.substr(equals + 1);
      name.resize(equals);
    }
    const auto flag = [&]() -> core::Status {
      if (inline_value) return core::fail(name + " takes no value");
      return core::ok();
    };
    const auto value = [&]() -> core::Result<std::string> {
      if (inline_value) return *inline_value;
      if (i + 1 >= arguments.size()) return core::fail(name + " needs a value");
      return arguments[++i];
    };
    core::Status status = core::ok();
    if (name == "--help" || name == "-h") {
      status = flag();
      options.help = true;
    } else if (name == "--repeat") {
      status = flag();
      options.repeat = true;
    } else if (name == "--fault-all") {
      status = flag();
      options.fault_all = true;
    } else {
      static const std::vector<std::string> kValued{"--port",     "--config",     "--account",
                                                    "--seed",     "--max-orders", "--max-open",
                                                    "--sent-log", "--fault"};
      if (std::find(kValued.begin(), kValued.end(), name) == kValued.end()) {
        return core::fail("unknown option " + name + " (see --help)");
      }
      auto text = value();
      if (!text) return text.error();
      if (name == "--port") {
        auto port = read_number<int>(name, *text, 0, 65535);
        if (!port) return port.error();
        options.port = *port;
      } else if (name == "--config") {
        options.config = *text;
      } else if (name == "--account") {
        options.accounts.push_back(*text);
      } else if (name == "--seed") {
        auto seed =
            read_number<std::uint64_t>(name, *text, 0, std::numeric_limits<std::uint64_t>::max());
        if (!seed) return seed.error();
        options.seed = *seed;
      } else if (name == "--max-orders") {
        auto count = read_number<int>(name, *text, 0, 1'000'000);
        if (!count) return count.error();
        options.max_orders = *count;
      } else if (name == "--max-open") {
        auto count = read_number<int>(name, *text, 1, 1000);
        if (!count) return count.error();
        options.max_open = *count;
      } else if (name == "--sent-log") {
        options.sent_log = *text;
      } else {
        auto fault = parse_fault(*text);
        if (!fault) return fault.error();
        options.fault = *fault;
      }
    }
    if (!status) return status.error();
  }
  return options;
}

std::string help_text() {
  return R"(Usage: lumari-demo-service [options]

A loopback stand-in of the trade-signal service for tests and demos. It listens
on 127.0.0.1 only and prints the port it listens on, alone on one line, as the
only output on stdout; each request is logged on stderr (passwords as ***).
SIGINT or SIGTERM stops it (exit status 0).

Options (default in brackets):
  --port N            port to listen on; 0 picks a free one [0]
  --config FILE       accounts, one "account ..." line each (syntax below) [none]
  --account LINE      one more account, same syntax; may be repeated [none]
  --seed N            seed of the order streams' random choices [1]
  --repeat            order answers also carry every open order again [off]
  --max-orders N      open no more than N orders per system, then let them
                      close and answer idle; 0 means no limit [0]
  --max-open N        orders open at one time per system [5]
  --sent-log FILE     append every order line sent, CR LF after each [none]
  --fault MODE        fault mode of every order request [none]
  --fault-all         the fault mode covers every service request, not only
                      order requests (never the /demo/ requests) [off]
  --help              this text

Accounts (--config lines, --account values):
  account <email> <password> <userid> [<sysid>=<name>]...
  Words are separated by blanks; double quotes group a word with blanks and
  are removed (12="Beta Fund"). --account may leave out the word "account".
  The user id is a whole number other than 0 without leading zeros; a system
  id holds no blank, "," or ";"; a name holds no ";". In a file, empty lines
  and lines starting with "#" are ignored. The built-in accounts are used only
  when neither --config nor --account is given:
    account demo@example.com  demo 1234 11=Alpha
    account multi@example.com demo 5678 11=Alpha 12="Beta Fund" 15=Gamma
    account none@example.com  demo 9012

Requests:
  /LumariLoginCheckAction.do?email=E&password=P
      "userid;id;name;...;" for a known account, else "0;". A login lets the
      account's next selection or order request, from any machine, take its
      session (so does the start of the service).
  /LumariLoginSelectSystemAction.do?email=E&password=P&systemid=S&loginid=L
      "OK" after recording the choice; "0;" for wrong credentials or a system
      the account does not follow.
  /GetTD.do?systemid=S&userid=U&loginid=L
      "\r\nXXX" idle; "\r\nYYY" when another machine holds the session or the
      user is unknown; else "\r\n" line ";" LF line ";" ... with the latest
      version of every order changed since this client's last order answer
      (since the stream began, for a client's first answer).
      Each good answer of the session holder moves the system's stream one
      step (a simulated clock from 2026.01.05 09:00:00, 1 to 30 s a step).
  /demo/fault?mode=MODE[&count=N]
      switches the fault mode for the next N covered requests, or until
      changed when count is left out; mode=none clears it.
  /demo/sent[?systemid=S]   the order lines sent (of one system), CR LF each
  /demo/state               sessions and recorded choices of every account

Fault modes (but for delay, a faulted request moves nothing on and records no
sent lines, so its changes come with the next good answer):
  none            good answers
  delay:<ms>      a good answer after the delay (none if the client left)
  hang            read the request, never answer, until the client leaves or
                  the service stops
  error-page      status 500, body "<html>..."
  truncated       status 200, Content-Length larger than the body sent, close
  huge            a 17 MiB body (CR LF, then "H" bytes)
  reset           close the connection with an RST instead of answering
  trickle         headers at once, then the body one byte every 500 ms
  empty           status 200, empty body
  redirect-loop   302 to the same URL (each hop is a request of its own)
  truncated and trickle carry the answer the request would get, plus every
  open order, without moving anything on; a trickled body is padded with
  blanks to at least 64 bytes, so it always takes more than half a minute.
)";
}

}  // namespace lumari::demo
