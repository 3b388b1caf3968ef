# Common settings for every target the project builds itself.
function(grapple_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE" AND TARGET grapple_sanitizer_defaults)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:grapple_sanitizer_defaults>)
  endif()
endfunction()

# grapple_library(<name> <sources...>): one static library per layer or area.
function(grapple_library name)
  add_library(${name} STATIC ${ARGN})
  grapple_target_defaults(${name})
endfunction()
