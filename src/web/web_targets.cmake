# The web build's programs, included from src/CMakeLists.txt when EMSCRIPTEN
# is set:
#   ravok-node.js  the command line under node, on the host's files (tests);
#   ravok.js/.wasm the player in a browser page (the web front, src/web/).
set(RAVOK_WEB_LINK_OPTIONS
  -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=1GB -sTOTAL_STACK=8MB)

add_executable(ravok-node app/main.cpp)
target_link_libraries(ravok-node PRIVATE ravok_app ravok_platform_web)
target_link_options(ravok-node PRIVATE ${RAVOK_WEB_LINK_OPTIONS} -sNODERAWFS=1 -sENVIRONMENT=node -sEXIT_RUNTIME=1
  --pre-js ${CMAKE_CURRENT_SOURCE_DIR}/web/node_env.js)
set_property(TARGET ravok-node APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/web/node_env.js)
add_dependencies(ravok-node ravok_data)

# The web front: the page's player (src/web/), beside app/ and desktop/.
ravok_layer(ravok_web web USES ravok_app ravok_platform_web EXCLUDE main.cpp)
add_executable(ravok web/main.cpp)
target_link_libraries(ravok PRIVATE ravok_web)
set(RAVOK_WEB_EXPORTS _main _ravok_key _ravok_focus _ravok_mouse _ravok_input_answer
    _ravok_select_answer _ravok_editor_event _malloc _free)
list(JOIN RAVOK_WEB_EXPORTS "," RAVOK_WEB_EXPORT_LIST)
target_link_options(ravok PRIVATE ${RAVOK_WEB_LINK_OPTIONS} -sENVIRONMENT=web
  -sEXIT_RUNTIME=0 -sINVOKE_RUN=0 -sFORCE_FILESYSTEM=1 -lidbfs.js
  -sEXPORTED_FUNCTIONS=${RAVOK_WEB_EXPORT_LIST}
  -sEXPORTED_RUNTIME_METHODS=FS,IDBFS,callMain,ccall,UTF8ToString)
add_dependencies(ravok ravok_data)

# `ravok-node`: the command line as a program of the build directory, so the
# native tree's test runners can drive the web build as they drive ravok.
file(WRITE ${CMAKE_BINARY_DIR}/ravok-node
"#!/bin/sh\nexec node --no-experimental-fetch --stack-size=8000 \"$(dirname \"$0\")/ravok-node.js\" \"$@\"\n")
file(CHMOD ${CMAKE_BINARY_DIR}/ravok-node PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The page's own files beside the player, and the fonts, so that build-web/
# is a program directory whose web/ folder `ravok --export-web` copies from.
set_target_properties(ravok PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/web)
find_file(RAVOK_FONT_GOTHIC ipag.ttf PATHS /usr/share/fonts/opentype/ipafont-gothic
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(RAVOK_FONT_PGOTHIC ipagp.ttf PATHS /usr/share/fonts/opentype/ipafont-gothic
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_custom_target(ravok_web_page ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/web/shell
          ${CMAKE_BINARY_DIR}/web
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/Kernel/fonts
  COMMAND ${CMAKE_COMMAND} -E copy ${RAVOK_FONT_GOTHIC} ${RAVOK_FONT_PGOTHIC}
          ${CMAKE_BINARY_DIR}/Kernel/fonts
  COMMENT "The web page's files and the fonts")
add_dependencies(ravok_web_page ravok_data)
add_dependencies(ravok ravok_web_page)
