# Writes the full version of a build: <project version>+<build>.<UTC date-time
# of the HEAD commit>.<its short hash>, as 2.0.0+607.202612072200.32f0ee8,
# where the build is the last part of FileVersion in resources/version.ini.
# The date-time comes before the hash so that dpkg sorts a later commit
# higher. Without git, or outside the project's own repository (a source
# tarball), it is <project version>+<build>.
#   cmake -DSOURCE_DIR=… -DPROJECT_VERSION=2.0.0 -DOUTPUT_DIR=… -P BuildVersion.cmake
# writes into OUTPUT_DIR BuildVersion.cpp, which defines BuildVersion(), and
# PackageVersion.cmake, which gives cpack the same version; each is touched
# only when its text changes.
file(STRINGS ${SOURCE_DIR}/resources/version.ini file_version REGEX "^FileVersion=[0-9.]+$")
string(REGEX REPLACE "^.*\\.([0-9]+)$" "\\1" build "${file_version}")
set(version "${PROJECT_VERSION}+${build}")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  file(REAL_PATH "${SOURCE_DIR}" source)
  if(top STREQUAL source)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0
                            ${GIT} -C ${SOURCE_DIR} log -1 --date=format-local:%Y%m%d%H%M --format=%cd.%h
                    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND commit MATCHES "^[0-9]+\\.[0-9a-f]+$")
      string(APPEND version ".${commit}")
    endif()
  endif()
endif()

function(write name text)
  file(WRITE ${OUTPUT_DIR}/${name}.tmp "${text}")
  file(COPY_FILE ${OUTPUT_DIR}/${name}.tmp ${OUTPUT_DIR}/${name} ONLY_IF_DIFFERENT)
endfunction()
write(BuildVersion.cpp "// Generated at build time by cmake/BuildVersion.cmake. Do not edit.
#include \"support/BuildVersion.h\"

const char* BuildVersion() { return \"${version}\"; }
")
write(PackageVersion.cmake "set(CPACK_PACKAGE_VERSION ${version})\n")
