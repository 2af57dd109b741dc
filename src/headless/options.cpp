#include "headless/options.h"

#include <charconv>
#include <string_view>
#include <type_traits>
#include <utility>

#include "headless/local_file.h"

namespace lumari::headless {
namespace {

// Each option is set from a text: what follows it on the command line, "true"
// for a flag given there, or the value of its line in a config file.
using Setter = bool (*)(Options&, const std::string&);

template <auto Field>
bool set_text(Options& options, const std::string& value) {
  options.*Field = value;
  return true;
}

template <auto Field>
bool set_flag(Options& options, const std::string& value) {
  if (value != "true" && value != "false") return false;
  options.*Field = value == "true";
  return true;
}

template <auto Field, long Min>
bool set_number(Options& options, const std::string& value) {
  using Number = typename std::remove_reference_t<decltype(options.*Field)>::value_type;
  Number number{};
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc{} || end != value.data() + value.size() || number < Min) return false;
  options.*Field = number;
  return true;
}

struct OptionSpec {
  std::string_view name;  ///< the long option without its dashes; a config file's name
  bool flag;              ///< takes no value on the command line, true or false in a file
  bool in_file;           ///< may stand in a config file
  Setter set;
  std::string_view values;  ///< what a value must be, for the message about a bad one
};

constexpr std::string_view kAnyText = "a text";
constexpr std::string_view kTrueFalse = "true or false";

// The one table of the options, for the command line and the config file alike.
constexpr OptionSpec kOptions[] = {
    {"config", false, false, &set_text<&Options::config>, kAnyText},
    {"data-dir", false, true, &set_text<&Options::data_dir>, kAnyText},
    {"service", false, true, &set_text<&Options::service>, kAnyText},
    {"mt4", false, true, &set_text<&Options::mt4>, kAnyText},
    {"terminal-data", false, true, &set_text<&Options::terminal_data>, kAnyText},
    {"email", false, true, &set_text<&Options::email>, kAnyText},
    {"password-file", false, true, &set_text<&Options::password_file>, kAnyText},
    {"password-env", false, true, &set_text<&Options::password_env>, kAnyText},
    {"remember", true, true, &set_flag<&Options::remember>, kTrueFalse},
    {"system", false, true, &set_text<&Options::system>, kAnyText},
    {"remember-system", true, true, &set_flag<&Options::remember_system>, kTrueFalse},
    {"cycles", false, false, &set_number<&Options::cycles, 0>, "a whole number"},
    {"interval-ms", false, true, &set_number<&Options::interval_ms, 1>, "a whole number over 0"},
    {"quiet", true, true, &set_flag<&Options::quiet>, kTrueFalse},
    {"help", true, false, &set_flag<&Options::help>, kTrueFalse},
};

const OptionSpec* option_named(std::string_view name) {
  for (const OptionSpec& spec : kOptions) {
    if (spec.name == name) return &spec;
  }
  return nullptr;
}

using Given = std::vector<std::pair<const OptionSpec*, std::string>>;

core::Result<Given> read_arguments(const std::vector<std::string>& args) {
  Given given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--password") {
      return core::fail(
          "--password is not accepted: use --password-file FILE or --password-env VAR");
    }
    const OptionSpec* spec =
        arg == "-h"
            ? option_named("help")
            : (arg.rfind("--", 0) == 0 ? option_named(std::string_view(arg).substr(2)) : nullptr);
    if (spec == nullptr) return core::fail("unknown option: " + arg + " (see --help)");
    std::string value = "true";
    if (!spec->flag) {
      if (i + 1 >= args.size()) return core::fail("missing value for " + arg);
      value = args[++i];
    }
    Options scratch;
    if (!spec->set(scratch, value)) {
      return core::fail("bad value for " + arg + ": \"" + value + "\", not " +
                        std::string(spec->values));
    }
    given.emplace_back(spec, std::move(value));
  }
  return given;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A config file: lines of `name = value`, the names those of the options, blank
// lines and lines starting with # skipped. It never holds the password, which
// would then sit in a file meant to be readable.
core::Status read_config(const std::string& path, Options& options) {
  const auto bytes = read_local_file(path);
  if (!bytes) return core::fail(path + ": cannot read the config file: " + bytes.error().message);
  std::string_view rest = *bytes;
  for (int number = 1; !rest.empty(); ++number) {
    const auto end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trimmed(line);
    if (line.empty() || line.front() == '#') continue;

    const std::string where = path + ":" + std::to_string(number) + ": ";
    const auto equals = line.find('=');
    // Not echoed: a line without "=" may well be a password written alone.
    if (equals == std::string_view::npos) return core::fail(where + "not a line of name = value");
    const std::string name(trimmed(line.substr(0, equals)));
    const std::string value(trimmed(line.substr(equals + 1)));
    if (name == "password") {
      return core::fail(where + "no password in a config file: use password-file");
    }
    const OptionSpec* spec = option_named(name);
    if (spec == nullptr || !spec->in_file) {
      return core::fail(where + "unknown name \"" + name + "\"");
    }
    if (!spec->set(options, value)) {
      return core::fail(where + "bad value for " + name + ": \"" + value + "\", not " +
                        std::string(spec->values));
    }
  }
  return core::ok();
}

}  // namespace

std::string usage_text() {
  return R"(Usage: lumari-headless [options]

Runs the Lumari Terminal without windows: start-up, the first-run settings step,
the login, the trade system selection and the polling, exactly as the tray
program does, with the windows answered from these options.

  --config FILE        take options from FILE too: one "name = value" a line,
                       the names those of the long options below without the
                       dashes (config and cycles excepted), a flag's value true
                       or false; blank lines and lines starting with # are
                       skipped. Options on the command line win over the file's.
                       The file never holds the password: use password-file.
  --data-dir DIR       the data folder (default: the program folder's "data")
  --service URL        the service base URL (default: $LUMARI_SERVICE_URL, else
                       the URL built into the program)
  --mt4 PATH           text typed into the settings window when it opens, then
                       Save (without it: Cancel); PATH names MT4's terminal.exe.
                       The window opens on the first run in a data folder only.
  --terminal-data DIR  where terminals keep their data folders, each with an
                       origin.txt (default: inside a Wine prefix that holds the
                       MT4 folder in use, given by --mt4 now or saved by an
                       earlier run, its users' AppData/Roaming/MetaQuotes/Terminal)
  --email TEXT         typed into the login window's e-mail box (without it the
                       saved login record's address stays)
  --password-file FILE the password is the first line of FILE; keep the file
                       readable by its owner only (chmod 600), else a warning
  --password-env VAR   the password is read from environment variable VAR;
                       it is never taken from the command line
  --remember           tick "remember" in the login window
  --system ID          pick the trade system with this id in the selection
                       window (default: the entry the window preselects)
  --remember-system    tick "remember" in the selection window
  --cycles N           after N polling ticks leave as the Exit menu item does
                       (default: poll until SIGINT or SIGTERM, which leave as
                       Exit does too)
  --interval-ms MS     polling interval (default 6000)
  --quiet              no status line per tick
  --help               this text

One status line per tick on stdout: time, answer kind (orders, idle, error
page, no answer, forced logout), lines in the order log, orders in the
current-order file, new versions this tick; and "exchange folder: " with the
folder in use when it is first known and whenever it changes, also with
--quiet. Message boxes and problem notices go to stderr as one line each,
"Lumari Terminal: " and the text.

Exit codes: 0 normal exit, 2 login refused or failed, 3 forced logout,
4 settings rejected, 5 no trade system to follow, 64 bad usage (a bad option,
config file or password file), 75 the service could not be reached to log in
(a later start may succeed).
)";
}

core::Result<Options> parse_options(const std::vector<std::string>& args) {
  const auto given = read_arguments(args);
  if (!given) return given.error();
  Options options;
  for (const auto& [spec, value] : *given) (void)spec->set(options, value);
  if (options.help || !options.config) return options;

  Options merged;
  if (const auto read = read_config(*options.config, merged); !read) return read.error();
  for (const auto& [spec, value] : *given) (void)spec->set(merged, value);
  return merged;
}

}  // namespace lumari::headless
