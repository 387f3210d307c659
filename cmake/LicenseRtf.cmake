# Writes the licence text (LICENSE at the repository's root) as the rich-text file the program's
# Help > License Agreement opens:
#   cmake -DIN=LICENSE -DOUT=LICENSE.RTF -P cmake/LicenseRtf.cmake
# Paragraphs (separated by blank lines) stay paragraphs; the lines within one are joined so
# that the reader wraps them; the first paragraph (the licence's name) is the heading.
file(READ "${IN}" text)
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\\" "\\\\" text "${text}")
string(REPLACE "{" "\\{" text "${text}")
string(REPLACE "}" "\\}" text "${text}")
string(STRIP "${text}" text)
# A paragraph break becomes a marker (a control character no licence text holds), a line break
# a blank.
string(ASCII 1 mark)
string(REGEX REPLACE "\n[ \t]*\n+" "${mark}" text "${text}")
string(REPLACE "\n" " " text "${text}")
string(FIND "${text}" "${mark}" first)
if(first GREATER 0)
  string(SUBSTRING "${text}" 0 ${first} heading)
  string(SUBSTRING "${text}" ${first} -1 body)
else()
  set(heading "")
  set(body "${text}")
endif()
string(REPLACE "${mark}" "\\par\n\\par\n" body "${body}")
set(rtf "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\n")
string(APPEND rtf "\\viewkind4\\uc1\\pard\\f0\\fs20\n")
if(NOT heading STREQUAL "")
  string(APPEND rtf "\\b\\fs24 ${heading}\\b0\\fs20 ")
endif()
string(APPEND rtf "${body}\\par\n}\n")
file(WRITE "${OUT}" "${rtf}")
