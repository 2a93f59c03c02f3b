# The layers, bottom to top: a layer may include the headers of the layers it
# links, never those above it. Headers are named from the project root
# ("support/Chaine.h"), so the root itself is no include directory: each layer
# gets a folder in the build tree that holds one link, to its own sources, and
# linking a layer brings its folder (and those below) along.
set(DALVEX_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)
foreach(layer platform support engine report cli app)
  file(MAKE_DIRECTORY ${DALVEX_LAYER_ROOT}/${layer})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${DALVEX_LAYER_ROOT}/${layer}/${layer} SYMBOLIC)
endforeach()

# Gives a layer's library its own headers, and those to whoever links it.
function(dalvex_layer_headers target layer)
  target_include_directories(${target} PUBLIC ${DALVEX_LAYER_ROOT}/${layer})
endfunction()
