# The layers of the product, one library each. A layer links only the layers
# below it and sees only their headers: each library's include directory
# holds its own folder alone (a link in the build tree), and the folders of
# the layers it links come with those libraries. An include of a layer above
# (or beside) is not found, so it does not build.
#
#   common <- framework <- transport, shell, filelist <- session <- control <- module
#
# The native and fuzzing builds make the same libraries from the portable
# sources of each folder; the Windows build adds the rest.
set(CORVELA_LAYERS common framework transport shell filelist session control)
set(CORVELA_USES_common)
set(CORVELA_USES_framework corvela_common)
set(CORVELA_USES_transport corvela_framework)
set(CORVELA_USES_shell corvela_framework)
set(CORVELA_USES_filelist corvela_framework)
set(CORVELA_USES_session corvela_transport corvela_shell)
set(CORVELA_USES_control corvela_session corvela_filelist corvela_shell)

# Each folder's sources.cmake appends to CORE_SOURCES and WIN_SOURCES; they
# are gathered per folder here as <folder>_CORE_SOURCES and <folder>_WIN_SOURCES.
foreach(folder ${CORVELA_LAYERS} module host)
  set(CORE_SOURCES)
  set(WIN_SOURCES)
  include(${CMAKE_SOURCE_DIR}/${folder}/sources.cmake)
  set(${folder}_CORE_SOURCES ${CORE_SOURCES})
  set(${folder}_WIN_SOURCES ${WIN_SOURCES})
endforeach()

# The include directory that shows `folder` and nothing else.
function(corvela_folder_includes folder out)
  set(dir ${CMAKE_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${dir})
  if(NOT EXISTS ${dir}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
  endif()
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

# corvela_<layer> from `sources` (an interface library when there are none),
# linking the layers below it and `extra` (platform libraries, options).
function(corvela_add_layer layer sources extra)
  corvela_folder_includes(${layer} includes)
  if(sources)
    add_library(corvela_${layer} STATIC ${sources})
    target_include_directories(corvela_${layer} PUBLIC ${includes})
    target_link_libraries(corvela_${layer} PUBLIC ${CORVELA_USES_${layer}} ${extra})
  else()
    add_library(corvela_${layer} INTERFACE)
    target_include_directories(corvela_${layer} INTERFACE ${includes})
    target_link_libraries(corvela_${layer} INTERFACE ${CORVELA_USES_${layer}} ${extra})
  endif()
endfunction()
