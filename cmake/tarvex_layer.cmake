# One library per source folder, each seeing only its own folder and the folders below it.
#
#   tarvex_layer(<folder> [BELOW <folder>...])
#
# compiles <folder>/*.cpp as an OBJECT library layer_<folder> (a "/" in the folder becomes
# "_"). Its include path is a tree of links made for it in the build directory, holding the
# folder itself and every folder below it (the ones named after BELOW and, in turn, everything
# below those), so an #include of a folder above it fails to compile. The layers' objects are
# gathered into tarvex_core by tarvex_layer_objects().

set_property(GLOBAL PROPERTY TARVEX_LAYERS "")

function(tarvex_layer folder)
  cmake_parse_arguments(LAYER "" "" "BELOW" ${ARGN})
  string(REPLACE "/" "_" target "layer_${folder}")

  # The folders this one sees: itself, the named ones and everything they see.
  set(sees ${folder})
  foreach(below IN LISTS LAYER_BELOW)
    get_property(below_sees GLOBAL PROPERTY TARVEX_LAYER_SEES_${below})
    if(NOT below_sees)
      message(FATAL_ERROR "tarvex_layer(${folder}): ${below} must be declared before it")
    endif()
    list(APPEND sees ${below_sees})
  endforeach()
  list(REMOVE_DUPLICATES sees)
  set_property(GLOBAL PROPERTY TARVEX_LAYER_SEES_${folder} "${sees}")

  # The include tree: <build>/layers/<target>/<seen folder> -> <source>/<seen folder>.
  set(tree ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${tree})
  foreach(seen IN LISTS sees)
    get_filename_component(parent ${tree}/${seen} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${seen} ${tree}/${seen} SYMBOLIC)
  endforeach()

  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PRIVATE ${tree})
  set_target_properties(${target} PROPERTIES
    UNITY_BUILD ${TARVEX_UNITY_BUILD} UNITY_BUILD_BATCH_SIZE ${TARVEX_UNITY_BATCH_SIZE})
  set_property(GLOBAL APPEND PROPERTY TARVEX_LAYERS ${target})
endfunction()

# The objects of every layer declared so far, for the engine library.
function(tarvex_layer_objects out)
  get_property(layers GLOBAL PROPERTY TARVEX_LAYERS)
  set(objects "")
  foreach(layer IN LISTS layers)
    list(APPEND objects $<TARGET_OBJECTS:${layer}>)
  endforeach()
  set(${out} ${objects} PARENT_SCOPE)
endfunction()
