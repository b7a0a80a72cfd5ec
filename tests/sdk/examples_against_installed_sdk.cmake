# cmake -DBUILD_DIR= -DEXAMPLES_DIR= -DWORK_DIR= -DGENERATOR= [-DCOMPILER_LAUNCHER=] -DAPP_DIR= -P this
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
  set(errors "${err}" PARENT_SCOPE)
endfunction()

function(expect_file path)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "missing: ${path}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(sdk ${WORK_DIR}/sdk)
set(registry ${WORK_DIR}/registry)
file(MAKE_DIRECTORY ${registry})

# 1. The SDK alone.
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --component sdk --prefix ${sdk})
foreach(f include/movra-sdk/MSE/Plugin.h include/movra-sdk/MSE/PluginObject.h
          include/movra-sdk/MovraPlayerX/PluginInterfaces.h
          lib/cmake/MovraPluginSDK/MovraPluginSDKConfig.cmake
          lib/cmake/MovraPluginSDK/MovraPluginSDKConfigVersion.cmake
          share/pkgconfig/movra-plugin-sdk.pc)
  expect_file(${sdk}/${f})
endforeach()

# 2. The examples from a copy outside the tree, against the installed SDK only.
file(COPY ${EXAMPLES_DIR}/ DESTINATION ${WORK_DIR}/src)
set(launcher "")
if(COMPILER_LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${COMPILER_LAUNCHER})
endif()
run(${CMAKE_COMMAND} -S ${WORK_DIR}/src -B ${WORK_DIR}/build -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_PREFIX_PATH=${sdk} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF ${launcher})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
set(built ${WORK_DIR}/build/plugins)
foreach(f HelloView.so HelloView.xml HelloStartup.so HelloStartup.xml)
  expect_file(${built}/${f})
endforeach()

# 3. pkg-config: the start-up example compiled by hand, every symbol resolved.
run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${sdk}/share/pkgconfig pkg-config --cflags movra-plugin-sdk)
string(STRIP "${output}" cflags)
if(NOT cflags MATCHES "-I${sdk}/share/pkgconfig/../../include/movra-sdk|-I${sdk}/include/movra-sdk")
  message(FATAL_ERROR "pkg-config gives '${cflags}', not the installed include folder")
endif()
separate_arguments(cflags UNIX_COMMAND "${cflags}")
run(c++ ${cflags} -fPIC -shared -fvisibility=hidden -Wall -Wextra -Werror -Wl,--no-undefined
    -o ${WORK_DIR}/HelloStartupByHand.so ${WORK_DIR}/src/hellostartup/hellostartup.cpp)

# 4. The installed player, with the example view named by "DefaultViewPlugin".
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} -E env MOVRA_REGISTRY_DIR=${registry} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
set(app ${prefix}/${APP_DIR})
expect_file(${app}/movra-player)
file(COPY ${built}/HelloView.so ${built}/HelloView.xml ${built}/HelloStartup.so ${built}/HelloStartup.xml
     DESTINATION ${app}/MPXPlugins)
run(${CMAKE_COMMAND} -E env MOVRA_REGISTRY_DIR=${registry}
    ${app}/movra-reg add "HKCU\\SOFTWARE\\Movra\\Settings\\Player\\GlobalState" /v DefaultViewPlugin /t REG_SZ
    /d com.example.movra.HelloView /f)
run(${CMAKE_COMMAND} -E env MOVRA_REGISTRY_DIR=${registry} QT_QPA_PLATFORM=offscreen MOVRA_DEMO_QUIT_AFTER_MS=300
    MOVRA_HINT_SERVER=http://127.0.0.1:9 XDG_CONFIG_HOME=${WORK_DIR}/config XDG_CACHE_HOME=${WORK_DIR}/cache
    --unset=MSE_LOG ${app}/movra-player /tmp/hello%20film.mkv)
foreach(line "HelloStartup: com.example.movra.HelloStartup runs before the main window"
             "HelloView: shown" "HelloView: received file:///tmp/hello%2520film.mkv")
  string(FIND "${output}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the player did not say '${line}':\n${output}\n${errors}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "examples built against the installed SDK and run by the installed player")
