# Writes OUTPUT, a header that holds INPUT's text as `inline constexpr
# std::string_view NAME`, so that test programs carry their case files with them
# (also under Wine, where the source tree's paths do not resolve).
file(READ "${INPUT}" text)
file(WRITE "${OUTPUT}.tmp" "#pragma once\n#include <string_view>\ninline constexpr std::string_view ${NAME} = R\"lumari_cases(${text})lumari_cases\";\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
