#include "headless/headless_driver.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <thread>

#include "account/system_line.h"
#include "headless/console_ui.h"
#include "headless/curl_web_client.h"
#include "headless/linux_adapter_source.h"
#include "headless/password_source.h"
#include "headless/system_clock.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "shell/service_url.h"

namespace lumari::headless {
namespace {

using core::App;
using core::MenuItem;

volatile std::sig_atomic_t g_stop = 0;

extern "C" void on_stop_signal(int) { g_stop = 1; }

void install_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = &on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::string program_folder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

const char* answer_text(core::AnswerKind kind) {
  switch (kind) {
    case core::AnswerKind::Orders: return "orders";
    case core::AnswerKind::Idle: return "idle";
    case core::AnswerKind::ForcedLogout: return "forced logout";
    case core::AnswerKind::ErrorPage: return "error page";
    case core::AnswerKind::NoAnswer: return "no answer";
    case core::AnswerKind::None: break;
  }
  return "none";
}

std::string clock_text() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &tm);
  return text;
}

// Waits for the interval, or less when a stop signal arrives.
void wait_interval(int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = std::chrono::steady_clock::now(); g_stop == 0 && now < deadline;
       now = std::chrono::steady_clock::now()) {
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        deadline - now, std::chrono::milliseconds(20)));
  }
}

// The roots named on the command line; without them the core looks in the Wine
// prefix that holds the MT4 folder in use, so a terminal run under Wine is found
// as on Windows, also by a run that takes the folder from settings.dat.
core::AppConfig config_of(const Options& options, const std::string& program_folder) {
  core::AppConfig config{
      options.data_dir ? *options.data_dir : core::data_folder_of(program_folder),
      options.service ? *options.service : core::service_base_url(),
      {}};
  if (options.terminal_data) config.terminals.roots = {*options.terminal_data};
  config.terminals_in_wine_prefix = !options.terminal_data;
  return config;
}

class Driver {
 public:
  Driver(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options),
        out_(out),
        err_(err),
        ui_(err),
        clock_(make_system_clock()),
        adapters_(make_linux_adapter_source()),
        app_(core::Ports{ui_, *clock_, *adapters_, [] { return make_curl_web_client(); }},
             config_of(options, program_folder())) {}

  int run() {
    const auto password = read_password(options_, err_);
    if (!password) {
      err_ << "lumari-headless: " << password.error().message << std::endl;
      return kExitUsage;
    }

    app_.FrmMainMdi_Form_Load();
    if (session().settings.open && !answer_settings()) return leave(kExitSettingsRejected);

    if (!session().login.open) choose(MenuItem::mnuFlSi);
    if (options_.email) session().login.controls.txtUser = *options_.email;
    session().login.controls.txtPass = *password;
    session().login.controls.chklogin = options_.remember ? 1 : 0;
    app_.frmLogin_cmdLogin_Click();
    // The login resets the user id and sets it from an answer: without one the
    // service was not reached, which a later start may mend.
    if (session().login.open) {
      return leave(session().login.username == " " ? kExitServiceUnreachable : kExitLoginFailed);
    }

    if (session().selection.open) {
      const int problem = answer_selection();
      if (problem != kExitOk) return leave(problem);
    }
    if (session().main.swlogin != 1) return leave(kExitNoSystem);
    return poll();
  }

 private:
  core::Session& session() { return app_.session(); }

  void choose(MenuItem item) {
    ui_.queue_menu_choice(item);
    app_.FrmMainMdi_Form_MouseMove(516);
  }

  // Leaves as the Exit item of the menu shown at that moment does.
  int leave(int code) {
    if (!app_.ended()) choose(session().main.swlogin == 1 ? MenuItem::mnulvex : MenuItem::mnuflex);
    return code;
  }

  bool answer_settings() {
    if (!options_.mt4) {
      app_.frmSettings_cmdCancel_Click();
      return true;
    }
    session().settings.mt4location = *options_.mt4;
    app_.frmSettings_cmdSave_Click();
    return !session().settings.open;
  }

  int answer_selection() {
    auto& controls = session().selection.controls;
    if (options_.system) {
      bool found = false;
      for (const auto& entry : controls.cmbsystem) {
        if (core::system_id_of_entry(entry) == *options_.system) {
          controls.cmbsystem_text = entry;
          found = true;
          break;
        }
      }
      if (!found) {
        err_ << "lumari-headless: the account has no trade system " << *options_.system
             << std::endl;
        app_.window_closed(core::WindowId::Selection);
        return kExitNoSystem;
      }
    }
    controls.chksys = options_.remember_system ? 1 : 0;
    app_.FrmSys_CmdProcced_Click();
    // The selection stays open only when its request brought no answer.
    return session().selection.open ? kExitServiceUnreachable : kExitOk;
  }

  int poll() {
    install_signal_handlers();
    const int interval = options_.interval_ms ? *options_.interval_ms : ui_.timer_interval_ms();
    long ticks = 0;
    report_exchange_folder();
    while (g_stop == 0 && ui_.timer_enabled()) {
      if (options_.cycles && ticks >= *options_.cycles) break;
      wait_interval(interval);
      if (g_stop != 0) break;
      app_.FrmMainMdi_mytimer_Timer();
      ++ticks;
      report_exchange_folder();
      report_tick();
      if (session().swlogout == 1) return leave(kExitForcedLogout);
    }
    return leave(kExitOk);
  }

  void report_exchange_folder() {
    const std::string& folder = session().main.exchange_folder;
    // Also with --quiet: where the files go is worth a line in a service's journal.
    if (folder == reported_folder_ && reported_) return;
    reported_ = true;
    reported_folder_ = folder;
    out_ << "exchange folder: " << folder << std::endl;
  }

  void report_tick() {
    const core::CycleReport& cycle = app_.last_cycle();
    if (cycle.kind == core::AnswerKind::Orders) {
      log_lines_ = std::to_string(cycle.log_lines);
      current_orders_ = std::to_string(cycle.current_orders);
    }
    if (options_.quiet) return;
    out_ << clock_text() << ' ' << answer_text(cycle.kind) << " log=" << log_lines_
         << " current=" << current_orders_ << " new=" << cycle.new_versions;
    if (!cycle.problem.empty()) out_ << " (" << cycle.problem << ')';
    out_ << std::endl;
  }

  const Options& options_;
  std::ostream& out_;
  std::ostream& err_;
  ConsoleUi ui_;
  std::unique_ptr<core::Clock> clock_;
  std::unique_ptr<core::AdapterSource> adapters_;
  App app_;
  bool reported_ = false;
  std::string reported_folder_;
  std::string log_lines_ = "-";
  std::string current_orders_ = "-";
};

}  // namespace

int run_headless(const Options& options, std::ostream& out, std::ostream& err) {
  Driver driver(options, out, err);
  return driver.run();
}

}  // namespace lumari::headless
