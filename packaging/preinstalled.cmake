# Lays out the codec components the Debian package carries pre-installed, each folder as the
# component manager leaves one after an install: the components are published with
# movra-publish exactly as a component server offers them, each archive is unpacked, and the
# manifest an install writes is put beside the files. The maintainer scripts copy these
# folders into the components root and write the records.
#
# cmake -DPUBLISH=movra-publish -DSTRIP=strip -DSOURCE=<build>/components -DWORK=<dir>
#       -DOUT=<dir> "-DCOMPONENTS=NAME:VERSION:FEATURE:REQUIRES|..." -P preinstalled.cmake
# FEATURE and REQUIRES may be empty.

cmake_minimum_required(VERSION 3.20)

foreach(variable PUBLISH SOURCE WORK OUT COMPONENTS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "preinstalled.cmake: ${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK} ${OUT})
file(MAKE_DIRECTORY ${WORK}/folders ${OUT})

set(arguments)
string(REPLACE "|" ";" rows "${COMPONENTS}")
foreach(row IN LISTS rows)
  string(REPLACE ":" ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 1 version)
  list(GET fields 2 feature)
  list(GET fields 3 requires)
  if(NOT IS_DIRECTORY ${SOURCE}/${name})
    message(FATAL_ERROR "preinstalled.cmake: no component folder ${SOURCE}/${name}")
  endif()
  # Stripped as the rest of the package is, before publishing: the published file list and
  # hashes then describe the very files that are shipped.
  file(COPY ${SOURCE}/${name} DESTINATION ${WORK}/folders)
  file(GLOB libraries ${WORK}/folders/${name}/*.so)
  foreach(library IN LISTS libraries)
    if(STRIP)
      execute_process(COMMAND ${STRIP} --strip-unneeded ${library} RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "preinstalled.cmake: cannot strip ${library}")
      endif()
    endif()
  endforeach()
  list(APPEND arguments --component ${name} --version ${version} --folder ${WORK}/folders/${name})
  if(feature)
    list(APPEND arguments --provides ${feature})
  endif()
  if(requires)
    list(APPEND arguments --requires ${requires})
  endif()
endforeach()

# The key only makes the catalogue complete; nothing checks its signature, and it is not kept.
execute_process(COMMAND ${PUBLISH} --generate-key ${WORK}/throwaway RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "preinstalled.cmake: movra-publish --generate-key failed")
endif()
execute_process(COMMAND ${PUBLISH} --key ${WORK}/throwaway.key --out ${WORK}/server ${arguments}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "preinstalled.cmake: movra-publish failed: ${output}")
endif()
file(REMOVE ${WORK}/throwaway.key)

file(READ ${WORK}/server/catalog.json catalogue)
string(JSON count LENGTH "${catalogue}" components)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${catalogue}" components ${i} name)
  string(JSON version GET "${catalogue}" components ${i} version)
  string(JSON archive GET "${catalogue}" components ${i} archive)
  string(JSON sha256 GET "${catalogue}" components ${i} sha256)
  file(ARCHIVE_EXTRACT INPUT ${WORK}/server/${archive} DESTINATION ${OUT}/${name})
  # The manifest an install writes (keys in the order the manager's JSON writer puts them).
  file(WRITE ${OUT}/${name}/.movra-component
       "{\"name\":\"${name}\",\"sha256\":\"${sha256}\",\"version\":\"${version}\"}\n")
endforeach()
