# Helpers shared by every folder's CMakeLists.txt.

# Warnings are errors on our own code only.
function(calidarix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)

endfunction()

# Does this folder have sources yet? (A library folder joins the build with its first file.)
function(calidarix_folder_has_sources result)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  list(FILTER sources EXCLUDE REGEX "/ui/")
  if(sources)
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

# One static library per folder, made of every .cpp directly in that folder and in formats/.
# New files are picked up without editing the list (CONFIGURE_DEPENDS).
function(calidarix_headless_library name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  file(GLOB sub_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/formats/*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/formats/*.h")
  add_library(${name} STATIC ${sources} ${sub_sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  calidarix_warnings(${name})
endfunction()
