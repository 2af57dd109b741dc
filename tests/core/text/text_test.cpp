#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "text/lenient_number.h"
#include "text/line_file.h"
#include "text/path_text.h"
#include "text/trim.h"
#include "text/url_encode.h"

namespace lumari::core {
namespace {

TEST(Trim, RemovesSpacesOnlyNeverTabsOrLineBreaks) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"", ""},           {"   ", ""},         {" a ", "a"},          {"a b", "a b"},
      {"\ta\t", "\ta\t"}, {" a\r\n", "a\r\n"}, {"\r\n a ", "\r\n a"},
  };
  for (const auto& c : cases) EXPECT_EQ(trim_spaces(c.in), c.out) << '"' << c.in << '"';
}

TEST(LenientNumber, ReadsLikeClassicVal) {
  const struct {
    std::string_view in;
    double out;
  } cases[] = {
      {"", 0},       {"abc", 0},     {"42", 42},    {"00042", 42}, {"42abc", 42},
      {" 4 2 ", 42}, {"-7", -7},     {"+7", 7},     {"- 7", -7},   {"1.5", 1.5},
      {".5", 0.5},   {"1.2.3", 1.2}, {"1e3", 1000}, {"1E+2", 100}, {"2.5e-1", 0.25},
      {"1d2", 100},  {"1e", 1},      {"1e+", 1},    {"1e+x", 1},   {"e5", 0},
      {"-", 0},      {"+-5", 0},     {"--5", 0},    {"1,5", 1},    {"\t5", 0},
      {"5\t6", 5},   {"12;34", 12},  {"0x10", 0},   {"1e-400", 0}, {"  -0012.50xyz", -12.5},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(lenient_number(c.in), c.out) << '"' << c.in << '"';
  EXPECT_EQ(lenient_number("1e400"), std::numeric_limits<double>::infinity());
  // Out of range is told by magnitude, not by the exponent's sign alone.
  EXPECT_EQ(lenient_number("1" + std::string(320, '0') + "e-5"),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(lenient_number("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(lenient_number("0." + std::string(400, '0') + "1e5"), 0.0);
  EXPECT_EQ(lenient_number("-1e400"), -std::numeric_limits<double>::infinity());
}

TEST(LenientNumber, RoundsHalfToEven) {
  const struct {
    double in;
    std::int64_t out;
  } cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},
               {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
               {0.49, 0}, {0.51, 1},  {1e30, std::numeric_limits<std::int64_t>::max()}};
  for (const auto& c : cases) EXPECT_EQ(round_half_even(c.in), c.out) << c.in;
  EXPECT_EQ(round_half_even(std::nan("")), 0);
}

TEST(LenientNumber, ShortestDecimalText) {
  EXPECT_EQ(number_text(42), "42");
  EXPECT_EQ(number_text(-7), "-7");
  EXPECT_EQ(number_text(-0.0), "0");
  EXPECT_EQ(number_text(1.5), "1.5");
  EXPECT_EQ(number_text(1e20), "1e+20");
  EXPECT_EQ(sign_blank_text(20261205), " 20261205");
  EXPECT_EQ(sign_blank_text(0), " 0");
  EXPECT_EQ(sign_blank_text(-5), "-5");
}

TEST(LineFile, EveryLineEndFormEndsALine) {
  using Lines = std::vector<std::string>;
  const struct {
    std::string_view in;
    Lines out;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\rb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\n\r\n", {"a", ""}},
      {std::string_view("x\0y\xff\r\n", 6), {std::string("x\0y\xff", 4)}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_lines(c.in), c.out);
}

TEST(LineFile, WritesEveryLineWithCrLf) {
  EXPECT_EQ(join_lines_crlf({}), "");
  EXPECT_EQ(join_lines_crlf({""}), "\r\n");
  EXPECT_EQ(join_lines_crlf({"a", "b"}), "a\r\nb\r\n");
}

TEST(UrlEncode, KeepsUnreservedAndEscapesTheRestUpperCase) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"", ""},
      {"AZaz09-._~", "AZaz09-._~"},
      {"a b", "a%20b"},
      {"a+b@c.d", "a%2Bb%40c.d"},
      {"p&w=1;x", "p%26w%3D1%3Bx"},
      {"\r\n", "%0D%0A"},
      {"\xe9\xff", "%E9%FF"},
      {"%", "%25"},
      {"/?#", "%2F%3F%23"},
  };
  for (const auto& c : cases) EXPECT_EQ(percent_encode(c.in), c.out) << c.in;
}

TEST(UrlEncode, DecodesWhatItEncodes) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(percent_decode(percent_encode(all)), all);
  EXPECT_EQ(percent_decode("%4"), std::nullopt);
  EXPECT_EQ(percent_decode("%zz"), std::nullopt);
  EXPECT_EQ(percent_decode("a%2bb"), "a+b");
}

TEST(PathText, JoinsWithOneSeparator) {
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(join_path("a", "b"), "a" + sep + "b");
  EXPECT_EQ(join_path("a" + sep, "b"), "a" + sep + "b");
  EXPECT_EQ(join_path("", "b"), "b");
}

}  // namespace
}  // namespace lumari::core
