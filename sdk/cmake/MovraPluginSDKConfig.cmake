# The Movra Player plug-in SDK.
#
#   find_package(MovraPluginSDK REQUIRED)
#   movra_add_plugin(MyView SOURCES myview.cpp PROPERTIES MyView.xml LIBS Qt6::Widgets)
#
# gives MyView.so (no "lib" prefix, hidden visibility, every symbol resolved at link time)
# with MyView.xml beside it in OUTPUT_DIR (default: the current binary folder). Copy both
# into the player's MPXPlugins folder (or MSEPlugins for stream-engine plug-ins).
# The target MovraPluginSDK::SDK carries the include folder for anything else.

get_filename_component(_movra_sdk_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET MovraPluginSDK::SDK)
  add_library(MovraPluginSDK::SDK INTERFACE IMPORTED)
  set_target_properties(MovraPluginSDK::SDK PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_movra_sdk_prefix}/include/movra-sdk"
    INTERFACE_COMPILE_FEATURES cxx_std_17)
endif()
unset(_movra_sdk_prefix)

#   movra_add_plugin(NAME SOURCES ... [PROPERTIES file.xml] [OUTPUT_DIR dir] [INSTALL_DIR dir] [LIBS ...])
# PROPERTIES defaults to NAME.xml in the current source folder.
function(movra_add_plugin name)
  cmake_parse_arguments(P "" "PROPERTIES;OUTPUT_DIR;INSTALL_DIR" "SOURCES;LIBS" ${ARGN})
  if(NOT P_SOURCES)
    message(FATAL_ERROR "movra_add_plugin(${name}): SOURCES is required")
  endif()
  if(NOT P_PROPERTIES)
    set(P_PROPERTIES ${CMAKE_CURRENT_SOURCE_DIR}/${name}.xml)
  endif()
  if(NOT P_OUTPUT_DIR)
    set(P_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_library(${name} MODULE ${P_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE MovraPluginSDK::SDK ${P_LIBS})
  # The player loads plug-ins with every symbol bound at once: a missing one is better found
  # by the linker than by the player at start-up.
  target_link_options(${name} PRIVATE LINKER:--no-undefined)
  configure_file(${P_PROPERTIES} ${P_OUTPUT_DIR}/${name}.xml COPYONLY)
  if(P_INSTALL_DIR)
    install(TARGETS ${name} LIBRARY DESTINATION ${P_INSTALL_DIR})
    install(FILES ${P_OUTPUT_DIR}/${name}.xml DESTINATION ${P_INSTALL_DIR})
  endif()
endfunction()
