# Plug-in libraries of Morvane.
#
#   morvane_plugin(<target> SOURCES <files...> [INF <file.inf>] [LIBRARIES <libraries...>]
#                  [NOT_INSTALLED])
#
# Builds <target> as a loadable module named <target>.so (no "lib" prefix) that exports
# only _StartPlugIn, _StopPlugIn and _DeleteData: everything is compiled with hidden
# visibility and a version script hides whatever a linked library would export. The
# sources find the host interface as "app/Plugins.h". The module may not import anything
# of the program: undefined symbols are refused at link time (except in sanitizer and
# fuzz builds, whose runtimes resolve late).
#
# Unless NOT_INSTALLED is given, the module is written into the PlugIns/ folder beside the
# Morvane executable of the build tree, and the description file INF is copied there under
# its own name. A description file names its library as "<target>.dll": the program loads
# the ".so" of the same name beside it.
set(MORVANE_PLUGIN_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/PlugInExports.map)

function(morvane_plugin target)
  cmake_parse_arguments(PLUGIN "NOT_INSTALLED" "INF" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${target} MODULE ${PLUGIN_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".so"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${MORVANE_PLUGIN_EXPORTS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${target} PRIVATE "-Wl,--version-script=${MORVANE_PLUGIN_EXPORTS}")
  if(NOT MORVANE_SANITIZE AND NOT MORVANE_FUZZ)
    target_link_options(${target} PRIVATE "-Wl,--no-undefined")
  endif()
  if(PLUGIN_LIBRARIES)
    target_link_libraries(${target} PRIVATE ${PLUGIN_LIBRARIES})
  endif()
  if(NOT PLUGIN_NOT_INSTALLED)
    set(folder "${PROJECT_BINARY_DIR}/app/PlugIns")
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${folder}")
    if(PLUGIN_INF)
      get_filename_component(inf "${PLUGIN_INF}" ABSOLUTE)
      get_filename_component(name "${inf}" NAME)
      configure_file("${inf}" "${folder}/${name}" COPYONLY)
    endif()
  endif()
endfunction()
