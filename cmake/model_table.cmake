# Turns data/models.tsv (model name, a tab, identifier; one row a line, in
# table order) into the constant model table, and the table's names sorted
# with each one's row.
file(STRINGS ${IN} rows ENCODING UTF-8)
set(body "")
set(named "")
set(count 0)
foreach(row IN LISTS rows)
  if(row STREQUAL "" OR row MATCHES "^#")
    continue()
  endif()
  if(NOT row MATCHES "^([^\t\"\\\\]+)\t([0-9]+)$")
    message(FATAL_ERROR "models.tsv: bad row '${row}'")
  endif()
  string(APPEND body "  {\"${CMAKE_MATCH_1}\", ${CMAKE_MATCH_2}},\n")
  # A tab sorts before any character of a name, so these sort as the names.
  list(APPEND named "${CMAKE_MATCH_1}\t${count}")
  math(EXPR count "${count} + 1")
endforeach()
list(SORT named)
set(sorted "")
foreach(entry IN LISTS named)
  string(REGEX MATCH "^([^\t]+)\t([0-9]+)$" parts "${entry}")
  string(APPEND sorted "  {\"${CMAKE_MATCH_1}\", ${CMAKE_MATCH_2}},\n")
endforeach()
file(WRITE ${OUT}.tmp
"// Generated from data/models.tsv; do not edit.\n"
"#include \"ppd/model_table.h\"\n\n"
"constexpr ModelRow kModelTable[] = {\n${body}};\n"
"constexpr ModelName kModelNamesSorted[] = {\n${sorted}};\n"
"const int kModelCount = ${count};\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
