# cmake -DSOURCE_DIR= -DBUILD_DIR= -DSCHEMA= -P this
# Every properties document of the tree, and every one the build generated, against the
# schema of docs/plugins.md; the test suite's deliberately broken documents must fail it.
cmake_minimum_required(VERSION 3.25)

# Broken on purpose, by file name (any case): each must be refused by the schema too.
set(broken notxml.xml wrongroot.xml wrongversion.xml notype.xml)

file(GLOB_RECURSE candidates LIST_DIRECTORIES false ${SOURCE_DIR}/*.xml ${SOURCE_DIR}/*.xml.in)
set(sources "")
foreach(file ${candidates})
  file(RELATIVE_PATH relative ${SOURCE_DIR} ${file})
  string(REGEX REPLACE "/.*" "" top ${relative})
  # Build folders inside the source folder are covered below or belong to another build.
  if(top MATCHES "^\\." OR EXISTS ${SOURCE_DIR}/${top}/CMakeCache.txt OR file MATCHES "^${BUILD_DIR}/")
    continue()
  endif()
  list(APPEND sources ${file})
endforeach()
file(GLOB_RECURSE generated LIST_DIRECTORIES false ${BUILD_DIR}/app/*.xml ${BUILD_DIR}/tests/*.xml
     ${BUILD_DIR}/sdk/*.xml ${BUILD_DIR}/components/*.xml ${BUILD_DIR}/packaging/*.xml)

set(good "")
set(bad "")
foreach(file ${sources} ${generated})
  get_filename_component(name ${file} NAME)
  string(TOLOWER ${name} lower)
  if(lower IN_LIST broken)
    list(APPEND bad ${file})
    continue()
  endif()
  file(READ ${file} text LIMIT 4096)
  if(NOT text MATCHES "<properties[ \t\r\n>/]")
    continue()
  endif()
  # Templates are checked in the form the build gave them.
  if(file MATCHES "\\.in$")
    continue()
  endif()
  list(APPEND good ${file})
endforeach()

list(LENGTH good goodCount)
list(LENGTH bad badCount)
if(goodCount LESS 10 OR badCount LESS 4)
  message(FATAL_ERROR "found only ${goodCount} documents and ${badCount} broken ones: is the build complete?")
endif()

set(xmllint xmllint --noout --noent --nonet --relaxng ${SCHEMA})
execute_process(COMMAND ${xmllint} ${good} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  # Tests running beside this one make and delete application folders in the build tree; a
  # document that vanished between the listing and the check is not one the build left.
  set(failures "")
  foreach(file ${good})
    if(NOT EXISTS ${file})
      continue()
    endif()
    execute_process(COMMAND ${xmllint} ${file} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    if(NOT rc EQUAL 0 AND EXISTS ${file})
      string(APPEND failures "${err}")
    endif()
  endforeach()
  if(failures)
    message(FATAL_ERROR "documents that do not validate:\n${failures}")
  endif()
endif()
foreach(file ${bad})
  execute_process(COMMAND ${xmllint} ${file} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(rc EQUAL 0)
    message(FATAL_ERROR "${file} is broken on purpose, yet the schema accepts it")
  endif()
endforeach()
message(STATUS "${goodCount} documents validate; ${badCount} broken ones are refused")
