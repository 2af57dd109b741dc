// The Debian package as a user gets it (made by the package.deb.build test):
// its files, its unit as systemd reads it, and the program unpacked from it run
// as the unit runs it, beside a terminal laid out as under Wine.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/child_process.h"
#include "support/temp_folder.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const TempFolder kRoot;  // the package unpacked, as dpkg would install it
const std::string kProgram = kRoot.file("usr/bin/lumari-headless");

struct Ran {
  int code;
  std::string out, err;
};

Ran run(std::vector<std::string> args, const TempFolder& work) {
  Child child = spawn(std::move(args), work.file("ran"));
  EXPECT_TRUE(eventually([&] { return child.ended(); }, 60s));
  return {child.code.value_or(-1), child.out(), read_bytes(child.output + ".err")};
}

class DebPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const TempFolder work;
    ASSERT_EQ(run({LUMARI_DPKG_DEB, "-x", LUMARI_DEB, kRoot.path()}, work).code, 0);
  }
  TempFolder work_;
};

TEST_F(DebPackage, HoldsTheProgramTheUnitAndTheDocsAndNeedsItsLibraries) {
  std::istringstream listing(run({LUMARI_DPKG_DEB, "-c", LUMARI_DEB}, work_).out);
  std::vector<std::string> files;
  for (std::string mode, owner, size, date, time, path;
       listing >> mode >> owner >> size >> date >> time >> path;) {
    if (mode[0] != 'd') files.push_back(mode + " " + owner + " " + path);
  }
  std::sort(files.begin(), files.end());
  const std::string doc = "./usr/share/doc/lumari-headless/";
  EXPECT_EQ(files, (std::vector<std::string>{"-rw-r--r-- root/root ." LUMARI_UNIT_DIR
                                             "/lumari-headless@.service",
                                             "-rw-r--r-- root/root " + doc + "README",
                                             "-rw-r--r-- root/root " + doc + "example.conf",
                                             "-rwxr-xr-x root/root ./usr/bin/lumari-headless"}));
  const std::string fields =
      run({LUMARI_DPKG_DEB, "-f", LUMARI_DEB, "Version", "Depends"}, work_).out;
  EXPECT_EQ(fields.substr(0, fields.find('\n')), "Version: " LUMARI_VERSION);
  EXPECT_NE(fields.find("libcurl4"), std::string::npos) << fields;
}

TEST_F(DebPackage, SystemdAcceptsTheUnitAndAnInstanceOfIt) {
  if (std::string(LUMARI_SYSTEMD_ANALYZE).empty())
    GTEST_SKIP() << "systemd-analyze is not installed";
  // systemd checks that the program exists: the unpacked one stands in for /usr/bin's.
  std::string unit = read_bytes(kRoot.file("." LUMARI_UNIT_DIR "/lumari-headless@.service"));
  const auto at = unit.find("ExecStart=/usr/bin/lumari-headless ");
  ASSERT_NE(at, std::string::npos) << unit;
  unit.replace(at + 10, 24, kProgram);
  write_bytes(work_.file("lumari-headless@.service"), unit);
  fs::create_symlink("lumari-headless@.service", work_.file("lumari-headless@acct.service"));
  const Ran verify = run({LUMARI_SYSTEMD_ANALYZE, "verify", work_.file("lumari-headless@.service"),
                          work_.file("lumari-headless@acct.service")},
                         work_);
  EXPECT_EQ(verify.code, 0);
  EXPECT_EQ(verify.out + verify.err, "");  // a bad line is only a warning
}

TEST_F(DebPackage, RunsAsTheUnitRunsItAndLeavesOnSigterm) {
  Child service = spawn({LUMARI_DEMO_SERVICE, "--port", "0", "--account",
                         "trader@example.com Kx7-secret-Pw 1234 11=Alpha"},
                        work_.file("service"));
  ASSERT_TRUE(eventually([&] { return service.out().find('\n') != std::string::npos; }));
  const std::string prefix = work_.file("wine/");
  write_bytes(prefix + "drive_c/Program Files/MT4/terminal.exe", "");
  const std::string terminal =
      prefix + "drive_c/users/trader/AppData/Roaming/MetaQuotes/Terminal/0F1E";
  write_bytes(terminal + "/origin.txt", "C:\\Program Files\\MT4");
  fs::create_directories(terminal + "/MQL4/Files");
  // The shipped example, its values then replaced (a later line wins; one ends in CR LF).
  write_bytes(work_.file("acct.conf"),
              read_bytes(kRoot.file("usr/share/doc/lumari-headless/example.conf")) +
                  "mt4 = " + prefix +
                  "drive_c/Program Files/MT4/terminal.exe\n"
                  "email = trader@example.com\ndata-dir = " +
                  work_.file("not-this") + "\nservice = http://127.0.0.1:" +
                  service.out().substr(0, service.out().find('\n')) + "\r\ninterval-ms = 20\n");
  const std::string password = work_.file("acct.password");
  write_bytes(password, "Kx7-secret-Pw\r\n");
  fs::permissions(password, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  Child headless = spawn({kProgram, "--config", work_.file("acct.conf"), "--password-file",
                          password, "--data-dir", work_.file("data"), "--quiet"},
                         work_.file("headless"));
  const std::string log = terminal + "/MQL4/Files/Lumari.log";
  EXPECT_TRUE(eventually([&] { return !read_bytes(log).empty() || headless.ended(); }));
  ::kill(headless.pid, SIGTERM);
  ASSERT_TRUE(eventually([&] { return headless.ended(); }));
  const std::string err = read_bytes(headless.output + ".err");
  EXPECT_EQ(headless.code, 0) << err;
  EXPECT_FALSE(read_bytes(terminal + "/MQL4/Files/ServerOrder.log").empty());
  const std::string run_log = read_bytes(work_.file("data/lumari.dat"));
  EXPECT_EQ(std::count(run_log.begin(), run_log.end(), '\n'), 1) << run_log;
  // Quiet: the folder written to, and no status line per tick.
  EXPECT_EQ(headless.out(), "exchange folder: " + terminal + "/MQL4/Files\n");
  EXPECT_EQ(err, "lumari-headless: warning: other users may read the password file " + password +
                     " (chmod 600 it)\nLumari Terminal: Please locate your MT4 now\n");
  ::kill(service.pid, SIGTERM);
  (void)eventually([&] { return service.ended(); });

  fs::remove(password);
  for (const auto& entry : fs::recursive_directory_iterator(work_.path())) {
    if (!entry.is_regular_file() || entry.path().string().rfind(work_.file("service"), 0) == 0)
      continue;
    EXPECT_EQ(read_bytes(entry.path()).find("Kx7-secret-Pw"), std::string::npos) << entry.path();
  }
}

// Each row: a config file and a password file (none: missing), and the one
// line on stderr after "lumari-headless: ".
struct Refusal {
  const char* name;
  std::optional<std::string> config, password;
  std::string says;
};

void PrintTo(const Refusal& row, std::ostream* out) { *out << row.name; }

class RefusedBeforeAnythingStarts : public DebPackage,
                                    public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedBeforeAnythingStarts, WithExitCode64AndTheFileAndLine) {
  fs::current_path(work_.path());  // the messages name the files as given
  if (GetParam().config) write_bytes("acct.conf", *GetParam().config);
  if (GetParam().password) write_bytes("acct.password", *GetParam().password);
  const Ran ran = run(
      {kProgram, "--config", "acct.conf", "--password-file", "acct.password", "--data-dir", "data"},
      work_);
  EXPECT_EQ(ran.code, 64);
  EXPECT_EQ(ran.err, "lumari-headless: " + GetParam().says + "\n");
  EXPECT_FALSE(fs::exists("data"));
}

const std::vector<Refusal> kRefusals = {
    {"UnknownName", "email = a@b\n\n# c\nemial = x\n", "pw", "acct.conf:4: unknown name \"emial\""},
    {"FlagNotTrueOrFalse", "quiet = yes", "pw",
     "acct.conf:1: bad value for quiet: \"yes\", not true or false"},
    {"LineWithoutEquals", "#\nKx7-secret\n", "pw", "acct.conf:2: not a line of name = value"},
    {"PasswordLine", "email = a@b\r\npassword = pw\r\n", "pw",
     "acct.conf:2: no password in a config file: use password-file"},
    {"MissingConfig", std::nullopt, "pw",
     "acct.conf: cannot read the config file: No such file or directory"},
    {"MissingPasswordFile", "", std::nullopt,
     "cannot read the password file acct.password: No such file or directory"},
    {"EmptyPasswordFile", "", "\r\nsecond line\n",
     "the first line of the password file acct.password is empty"},
};

INSTANTIATE_TEST_SUITE_P(Deb, RefusedBeforeAnythingStarts, ::testing::ValuesIn(kRefusals),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace lumari::test
