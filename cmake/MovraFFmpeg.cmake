# FFmpeg's libraries as one imported target, MovraFFmpeg::libs, visible from every folder.
if(NOT TARGET PkgConfig::MOVRA_FFMPEG)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MOVRA_FFMPEG REQUIRED IMPORTED_TARGET GLOBAL
                    libavformat libavcodec libavutil libswscale libswresample)
  add_library(MovraFFmpeg::libs ALIAS PkgConfig::MOVRA_FFMPEG)
endif()

# Codec components are built but not shipped in the application folder: each gets a folder
# of its own here, laid out as it is installed on a user's machine, for publishing.
set(MOVRA_COMPONENTS_BUILD_DIR ${CMAKE_BINARY_DIR}/components)
