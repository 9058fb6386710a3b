# The Windows installer from a cross build, in script mode:
#   cmake -D BUILD=build/windows -D OUTPUT=quorvex.msi [-D VERSION=1.2.3] -P cmake/msi.cmake
# The files are those the zip gets (the build's install rules), stripped as CPack does.
foreach(name BUILD OUTPUT)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "msi.cmake needs -D ${name}=...")
  endif()
endforeach()
if(NOT DEFINED VERSION)
  file(STRINGS ${BUILD}/CMakeCache.txt line REGEX "^CMAKE_PROJECT_VERSION:")
  string(REGEX REPLACE ".*=" "" VERSION "${line}")
endif()
find_program(WIXL wixl)
if(NOT WIXL)
  message(FATAL_ERROR "wixl is missing (Debian: apt install wixl; scripts/install-deps.sh package)")
endif()

get_filename_component(OUTPUT ${OUTPUT} ABSOLUTE)
get_filename_component(folder ${OUTPUT} DIRECTORY)
set(stage ${folder}/msi-stage)
file(REMOVE_RECURSE ${stage})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${stage} --strip
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
# wixl finds the sources only relative to where it runs.
execute_process(COMMAND ${WIXL} --arch x64 -D Version=${VERSION}
  -o ${OUTPUT} ${CMAKE_CURRENT_LIST_DIR}/quorvex.wxs
  WORKING_DIRECTORY ${stage} RESULT_VARIABLE status ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${stage})
# wixl passes over an attribute it does not know with only a warning: a misspelt
# one would be a shortcut without its arguments.
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "wixl failed:\n${errors}")
endif()
