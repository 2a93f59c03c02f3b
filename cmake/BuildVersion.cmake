# The full version of a build: <project version>+<build>.<UTC date-time of the
# HEAD commit>.<its short hash>, as 2.0.0+607.202612072200.32f0ee8, where the
# build is the last part of FileVersion in resources/version.ini. The date-time
# comes before the hash so that dpkg sorts a later commit higher. Without git,
# or outside the project's own repository (a source tarball), it is
# <project version>+<build>.
#   dalvex_build_version(VAR SOURCE_DIR PROJECT_VERSION) sets VAR.
# As a script, writes the source that defines BuildVersion(), touching it only
# when its text changes:
#   cmake -DSOURCE_DIR=… -DPROJECT_VERSION=2.0.0 -DOUTPUT=BuildVersion.cpp -P BuildVersion.cmake
function(dalvex_build_version var source_dir project_version)
  file(STRINGS ${source_dir}/resources/version.ini file_version REGEX "^FileVersion=[0-9.]+$")
  string(REGEX REPLACE "^.*\\.([0-9]+)$" "\\1" build "${file_version}")
  set(version "${project_version}+${build}")
  find_program(GIT git)
  if(GIT)
    execute_process(COMMAND ${GIT} -C ${source_dir} rev-parse --show-toplevel
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    file(REAL_PATH "${source_dir}" source_dir)
    if(top STREQUAL source_dir)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0
                              ${GIT} -C ${source_dir} log -1 --date=format-local:%Y%m%d%H%M --format=%cd.%h
                      OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE failed ERROR_QUIET)
      if(NOT failed AND commit MATCHES "^[0-9]+\\.[0-9a-f]+$")
        string(APPEND version ".${commit}")
      endif()
    endif()
  endif()
  set(${var} ${version} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  dalvex_build_version(version ${SOURCE_DIR} ${PROJECT_VERSION})
  file(WRITE ${OUTPUT}.tmp "// Generated at build time by cmake/BuildVersion.cmake. Do not edit.
#include \"support/BuildVersion.h\"

const char* BuildVersion() { return \"${version}\"; }
")
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
endif()
