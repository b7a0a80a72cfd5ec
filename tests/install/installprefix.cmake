# Installs the build into a fresh prefix, with a registry of its own for the records the
# install writes, so the machine's registry is never touched.
#   BUILD_DIR, PREFIX, REGISTRY
file(REMOVE_RECURSE "${PREFIX}" "${REGISTRY}")
set(ENV{MOVRA_REGISTRY_DIR} "${REGISTRY}")
unset(ENV{DESTDIR})
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()
