# The layers, bottom to top: a layer may include the headers of the layers it
# links, never those above it. Headers are named from the project root
# ("support/Chaine.h", "gui/toolkit/GuiText.h"), so the root itself is no
# include directory: each layer gets a folder in the build tree that holds one
# link, to its own sources, and linking a layer brings its folder (and those
# below) along.
set(DALVEX_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# Gives a layer's library its own headers, and those to whoever links it.
# `layer` is the layer's folder from the project root: "engine", "gui/toolkit".
function(dalvex_layer_headers target layer)
  string(REPLACE "/" "-" root ${layer})
  set(link ${DALVEX_LAYER_ROOT}/${root}/${layer})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${link} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${DALVEX_LAYER_ROOT}/${root})
endfunction()
