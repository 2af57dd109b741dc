#include "headless/options.h"

#include <charconv>

namespace lumari::headless {
namespace {

template <typename Number>
std::optional<Number> whole_number(const std::string& text, Number min) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < min) return std::nullopt;
  return value;
}

}  // namespace

std::string usage_text() {
  return R"(Usage: lumari-headless [options]

Runs the Lumari Terminal without windows: start-up, the first-run settings step,
the login, the trade system selection and the polling, exactly as the tray
program does, with the windows answered from these options.

  --data-dir DIR       the data folder (default: the program folder's "data")
  --service URL        the service base URL (default: $LUMARI_SERVICE_URL, else
                       the URL built into the program)
  --mt4 PATH           text typed into the settings window when it opens, then
                       Save (without it: Cancel); PATH names MT4's terminal.exe
  --terminal-data DIR  where terminals keep their data folders, each with an
                       origin.txt (default: inside a Wine prefix that holds the
                       MT4 folder in use, given by --mt4 now or saved by an
                       earlier run, its users' AppData/Roaming/MetaQuotes/Terminal)
  --email TEXT         typed into the login window's e-mail box (without it the
                       saved login record's address stays)
  --password-env VAR   the password is read from environment variable VAR;
                       it is never taken from the command line
  --remember           tick "remember" in the login window
  --system ID          pick the trade system with this id in the selection
                       window (default: the entry the window preselects)
  --remember-system    tick "remember" in the selection window
  --cycles N           after N polling ticks leave as the Exit menu item does
                       (default: poll until SIGINT or SIGTERM)
  --interval-ms MS     polling interval (default 6000)
  --quiet              no status line per tick
  --help               this text

One status line per tick on stdout: time, answer kind (orders, idle, error
page, no answer, forced logout), lines in the order log, orders in the
current-order file, new versions this tick. Message boxes go to stderr as one
line, "Lumari Terminal: " and the text.

Exit codes: 0 normal exit, 2 login refused or failed, 3 forced logout,
4 settings rejected, 5 no trade system to follow, 64 bad usage.
)";
}

core::Result<Options> parse_options(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    const auto needs_value = [&](std::optional<std::string>& target) -> bool {
      target = value();
      return target.has_value();
    };
    bool good = true;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--data-dir") {
      good = needs_value(options.data_dir);
    } else if (arg == "--service") {
      good = needs_value(options.service);
    } else if (arg == "--mt4") {
      good = needs_value(options.mt4);
    } else if (arg == "--terminal-data") {
      good = needs_value(options.terminal_data);
    } else if (arg == "--email") {
      good = needs_value(options.email);
    } else if (arg == "--password-env") {
      good = needs_value(options.password_env);
    } else if (arg == "--remember") {
      options.remember = true;
    } else if (arg == "--system") {
      good = needs_value(options.system);
    } else if (arg == "--remember-system") {
      options.remember_system = true;
    } else if (arg == "--cycles") {
      const auto text = value();
      options.cycles = text ? whole_number<long>(*text, 0) : std::nullopt;
      good = options.cycles.has_value();
    } else if (arg == "--interval-ms") {
      const auto text = value();
      options.interval_ms = text ? whole_number<int>(*text, 1) : std::nullopt;
      good = options.interval_ms.has_value();
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--password") {
      return core::fail("--password is not accepted: use --password-env VAR");
    } else {
      return core::fail("unknown option: " + arg);
    }
    if (!good) return core::fail("missing or bad value for " + arg);
  }
  return options;
}

}  // namespace lumari::headless
