// Where the exchange files are found, over real folders: the installation's
// experts/files, its MQL4/Files, the data folder whose origin.txt names it, and
// the Wine prefix's data folders.
#include "settings/exchange_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "shell/data_folder.h"
#include "support/temp_folder.h"
#include "text/path_text.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;

std::string utf16le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// A data folder under the root: its origin.txt, whether it has MQL4/Files, and
// how many seconds ago that folder changed.
struct DataFolder {
  std::string id;
  std::string origin;  ///< bytes; "@" stands for the installation path
  bool files = true;
  int age_seconds = 100;
  bool utf16 = false;  ///< origin.txt in UTF-16 LE with its byte-order mark
};

struct Case {
  const char* name;
  bool experts, portable;
  std::vector<DataFolder> data;
  std::string expected;  ///< "experts", "portable" or a data folder's id
};

std::string with_installation(std::string text, const std::string& installation) {
  for (std::size_t at; (at = text.find('@')) != std::string::npos;)
    text.replace(at, 1, installation);
  return text;
}

TEST(ExchangeFolder, ResolvedInItsOrder) {
  const std::string u8 = "\xEF\xBB\xBF";
  const Case cases[] = {
      {"experts first", true, true, {{"A", "@"}}, "experts"},
      {"portable next", false, true, {{"A", "@"}}, "portable"},
      {"several data folders",
       false,
       false,
       {{"B", "/elsewhere/mt4"}, {"A", "@", true, 100, true}, {"C", "\xFF\xFE\x00"}},
       "A"},
      {"utf-8, case, trailing and other separators", false, false, {{"A", u8 + "@\\\r\n"}}, "A"},
      {"code page text as is", false, false, {{"A", "@\r\nmore"}}, "A"},
      {"latest changed of two", false, false, {{"A", "@", true, 50}, {"B", "@", true, 10}}, "B"},
      {"no MQL4/Files", false, false, {{"A", "@", false}}, "experts"},
      {"no origin.txt that names it", false, false, {{"A", ""}, {"B", "@x"}}, "experts"},
      {"nothing", false, false, {}, "experts"},
  };
  for (const Case& c : cases) {
    TempFolder temp;
    const fs::path installation = temp.path() / "Program Files" / "MT4";
    const std::string pathname = installation.string() + core::kPathSeparator;
    const std::string pathname1 = core::exchange_folder_of(pathname);
    const fs::path root = temp.path() / "Terminal";
    fs::create_directories(root);
    if (c.experts) fs::create_directories(pathname1);
    if (c.portable) fs::create_directories(installation / "MQL4" / "Files");
    // The case, separators and trailing separator of the named path do not count.
    std::string named = installation.string();
    if (std::string_view(c.name).find("case") != std::string_view::npos) {
      for (char& ch : named) ch = ch == '/' ? '\\' : static_cast<char>(std::toupper(ch));
    }
    bool aged = true;
    for (const DataFolder& d : c.data) {
      const std::string origin = with_installation(d.origin, named);
      if (!origin.empty())
        write_bytes(root / d.id / "origin.txt", d.utf16 ? utf16le(origin) : origin);
      if (!d.files) continue;
      fs::create_directories(root / d.id / "MQL4" / "Files");
      std::error_code error;
      fs::last_write_time(root / d.id / "MQL4" / "Files",
                          fs::file_time_type::clock::now() - std::chrono::seconds(d.age_seconds),
                          error);
      // Wine cannot set a folder's time; the row that needs it runs natively.
      aged = aged && !error;
    }
    const bool ages_matter = std::any_of(c.data.begin(), c.data.end(), [&](const DataFolder& d) {
      return d.age_seconds != c.data.front().age_seconds;
    });
    if (!aged && ages_matter) continue;
    const std::string expected = c.expected == "experts" ? pathname1
                                 : c.expected == "portable"
                                     ? (installation / "MQL4" / "Files").string()
                                     : (root / c.expected / "MQL4" / "Files").string();
    core::TerminalDataRoots terminals;
    terminals.roots = {root.string()};
    EXPECT_EQ(core::resolve_exchange_folder(pathname, pathname1, terminals), expected) << c.name;
  }
}

TEST(ExchangeFolder, WinePrefixDataFoldersNameWindowsPaths) {
#ifdef _WIN32
  GTEST_SKIP() << "a Wine prefix is seen from the Linux side";
#endif
  TempFolder temp;
  const std::string prefix = (temp.path() / "wine").string();
  const std::string pathname = prefix + "/drive_c/Program Files/MT4/";
  const fs::path data =
      fs::path(prefix) / "drive_c/users/ann/AppData/Roaming/MetaQuotes/Terminal/0A1B";
  write_bytes(data / "origin.txt", utf16le("C:\\Program Files\\MT4"));
  fs::create_directories(data / "MQL4" / "Files");
  fs::create_directories(fs::path(prefix) / "drive_c/users/bob");

  const core::TerminalDataRoots terminals = core::wine_prefix_terminals(pathname);
  ASSERT_EQ(terminals.roots.size(), 1u);
  EXPECT_EQ(terminals.map_origin("D:\\x\\y"), prefix + "/dosdevices/d:/x/y");
  EXPECT_EQ(terminals.map_origin("relative"), "relative");
  EXPECT_EQ(core::resolve_exchange_folder(pathname, core::exchange_folder_of(pathname), terminals),
            (data / "MQL4" / "Files").string());
  EXPECT_TRUE(core::wine_prefix_terminals("/opt/mt4/").roots.empty());
}

}  // namespace
}  // namespace lumari::test
