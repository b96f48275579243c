# Turns data/models.tsv (model name, a tab, identifier; one row a line, in
# table order) into the constant model table.
file(STRINGS ${IN} rows ENCODING UTF-8)
set(body "")
set(count 0)
foreach(row IN LISTS rows)
  if(row STREQUAL "" OR row MATCHES "^#")
    continue()
  endif()
  if(NOT row MATCHES "^([^\t\"\\\\]+)\t([0-9]+)$")
    message(FATAL_ERROR "models.tsv: bad row '${row}'")
  endif()
  string(APPEND body "  {\"${CMAKE_MATCH_1}\", ${CMAKE_MATCH_2}},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE ${OUT}.tmp
"// Generated from data/models.tsv; do not edit.\n"
"#include \"ppd/model_table.h\"\n\n"
"constexpr ModelRow kModelTable[] = {\n${body}};\n"
"const int kModelCount = ${count};\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
