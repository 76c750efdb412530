# Warnings for every project target; errors when CI is set in the environment.
function(quillora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports "literal" + std::string as an overlapping copy at -O2 and above
    # (a known false positive of -Wrestrict in libstdc++'s inlined code).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(DEFINED ENV{CI})
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# One static library per source folder, made of every .cpp in it.
function(quillora_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT sources)
    # A folder whose first file has not landed yet still gives a linkable library.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${sources} "")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  quillora_warnings(${name})
endfunction()
