# Compiles the product's PPD files from their ppdc source into OUT: the
# version line is written bare ("*% Lumo version: 4"; ppdc quotes every
# attribute value), and the files listed with a ".gz" ending are
# gzip-compressed as the product ships them.
# Variables: PPDC, GZIP, SOURCE, WORK (scratch directory), OUT, PPDS.
file(REMOVE_RECURSE ${WORK} ${OUT})
file(MAKE_DIRECTORY ${WORK} ${OUT})
execute_process(COMMAND ${PPDC} -d ${WORK} ${SOURCE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "ppdc failed on ${SOURCE}")
endif()

set(expected "")
foreach(ppd IN LISTS PPDS)
  string(REGEX REPLACE "\\.gz$" "" name ${ppd})
  list(APPEND expected ${name})
  if(NOT EXISTS ${WORK}/${name})
    message(FATAL_ERROR "ppdc made no ${name}")
  endif()
  file(READ ${WORK}/${name} text)
  string(REGEX REPLACE "\\*% Lumo version: \"([0-9]+)\"" "*% Lumo version: \\1" text "${text}")
  file(WRITE ${OUT}/${name} "${text}")
  if(NOT ppd STREQUAL name)
    execute_process(COMMAND ${GZIP} -9 -n ${OUT}/${name} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip failed on ${OUT}/${name}")
    endif()
  endif()
endforeach()

# Every file that ppdc makes must be listed, so the build knows it.
file(GLOB made RELATIVE ${WORK} ${WORK}/*)
list(REMOVE_ITEM made ${expected})
if(made)
  message(FATAL_ERROR "ppdc made files not listed in PRODUCT_PPDS: ${made}")
endif()
