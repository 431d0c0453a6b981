# hatching_layer(NAME FOLDER VISIBLE LINKS): a static library of FOLDER/*.cpp that links LINKS.
# Its sources see the folders listed in VISIBLE (paths from the source root, its own among them)
# through a view in the build tree: one directory per folder holding links to that folder's
# headers only, so a subfolder is visible only where it is listed too. Consumers beside the
# layers (tests, tools) include from the source root instead; nothing of the view is passed on.
function(hatching_layer_view NAME VISIBLE)
  set(view ${CMAKE_BINARY_DIR}/layer-views/${NAME})
  file(REMOVE_RECURSE ${view})
  foreach(folder IN LISTS VISIBLE)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    file(MAKE_DIRECTORY ${view}/${folder})
    foreach(header IN LISTS headers)
      get_filename_component(leaf ${header} NAME)
      file(CREATE_LINK ${header} ${view}/${folder}/${leaf} SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${NAME} PRIVATE ${view})
endfunction()

function(hatching_layer NAME FOLDER VISIBLE LINKS)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${FOLDER}/*.cpp)
  add_library(${NAME} STATIC ${sources})
  hatching_layer_view(${NAME} "${VISIBLE}")
  if(LINKS)
    target_link_libraries(${NAME} PUBLIC ${LINKS})
  endif()
endfunction()

# Proves at configure time that the views still refuse a wrong-way include: a file of LOWER that
# includes HEADER of a higher layer must fail to compile, while one that includes ALLOWED (a header
# LOWER may see) must compile, so that the refusal is the view's and not some other fault.
function(hatching_layer_guard_check LOWER ALLOWED HEADER)
  set(probe ${CMAKE_BINARY_DIR}/layer-guard/${LOWER})
  file(WRITE ${probe}/allowed.cpp "#include \"${ALLOWED}\"\nint main() { return 0; }\n")
  file(WRITE ${probe}/wrong_way.cpp "#include \"${HEADER}\"\nint main() { return 0; }\n")
  set(view ${CMAKE_BINARY_DIR}/layer-views/${LOWER})
  try_compile(allowed SOURCES ${probe}/allowed.cpp CMAKE_FLAGS "-DINCLUDE_DIRECTORIES=${view}"
              CXX_STANDARD 20 OUTPUT_VARIABLE allowedLog)
  if(NOT allowed)
    message(FATAL_ERROR "layer guard: ${LOWER} cannot include ${ALLOWED} through its view:\n${allowedLog}")
  endif()
  try_compile(wrongWay SOURCES ${probe}/wrong_way.cpp CMAKE_FLAGS "-DINCLUDE_DIRECTORIES=${view}"
              CXX_STANDARD 20)
  if(wrongWay)
    message(FATAL_ERROR "layer guard: ${LOWER} compiles an include of ${HEADER}, a higher layer's header")
  endif()
endfunction()
