# Script mode: writes OUTPUT defining `extern const std::string_view SYMBOL`
# with the bytes of SOURCE.
file(READ ${SOURCE} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE ${OUTPUT}
  "#include <string_view>\n"
  "namespace { constexpr char data[] = {${bytes} 0}; }\n"
  "extern const std::string_view ${SYMBOL}(data, sizeof data - 1);\n")
