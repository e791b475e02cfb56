# Each engine folder is an object library ("layer"); layers are declared from the
# bottom up and a layer may use every layer declared before it. Tests, benchmarks
# and fuzz targets link the layers up to the one they exercise, so a half-written
# upper layer never breaks the build of a lower one.


# zan_layer(name dir [RECURSE]): RECURSE takes the sources of the folder's
# sub-folders too (a layer that shows its parts as folders).
function(zan_layer name dir)
  if("RECURSE" IN_LIST ARGN)
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  endif()
  set(target zanmig_${name})
  if(srcs)
    add_library(${target} OBJECT ${srcs})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    set_property(GLOBAL APPEND PROPERTY ZAN_LAYERS ${name})
  endif()
  set_property(GLOBAL APPEND PROPERTY ZAN_ALL_LAYERS ${name})
endfunction()

# The layers from the bottom up to and including `top` that have sources.
function(zan_layers_upto top out)
  get_property(ZAN_LAYERS GLOBAL PROPERTY ZAN_LAYERS)
  get_property(ZAN_ALL_LAYERS GLOBAL PROPERTY ZAN_ALL_LAYERS)
  set(result "")
  foreach(layer ${ZAN_ALL_LAYERS})
    list(FIND ZAN_LAYERS ${layer} present)
    if(NOT present EQUAL -1)
      list(APPEND result zanmig_${layer})
    endif()
    if(layer STREQUAL top)
      break()
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Links `target` with the object files of every layer up to `top`.
function(zan_link_layers target top)
  zan_layers_upto(${top} libs)
  foreach(lib ${libs})
    target_link_libraries(${target} PRIVATE ${lib})
  endforeach()
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
endfunction()

# The static engine library libzanmig, made of every layer.
function(zan_engine_library name)
  get_property(ZAN_LAYERS GLOBAL PROPERTY ZAN_LAYERS)
  set(objs "")
  foreach(layer ${ZAN_LAYERS})
    list(APPEND objs $<TARGET_OBJECTS:zanmig_${layer}>)
  endforeach()
  add_library(${name} STATIC ${objs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
endfunction()

# The wizard plug-in: a shared library made of every layer, loaded at run time
# by a host through its exported entry point.
function(zan_plugin_library name)
  get_property(ZAN_LAYERS GLOBAL PROPERTY ZAN_LAYERS)
  list(FIND ZAN_LAYERS wizard has_wizard)
  if(has_wizard EQUAL -1)
    return()
  endif()
  set(objs "")
  foreach(layer ${ZAN_LAYERS})
    list(APPEND objs $<TARGET_OBJECTS:zanmig_${layer}>)
  endforeach()
  add_library(${name} MODULE ${objs})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME zanmig-wizard LINKER_LANGUAGE CXX)
endfunction()
