# What every target of this project is built with: the warning set, and the
# one source folder each library lets its users include.

# Warnings as a target that each of our targets links PRIVATE, so they reach
# our own code and nothing else (not GoogleTest built from source, not
# anything that includes our headers).
option(HEXCRATE_PEDANTIC "Also warn on non-standard code, shadowing and lossy conversions" ON)
option(HEXCRATE_WERROR "Treat compiler warnings as errors" OFF)
add_library(hexcrate_warnings INTERFACE)
target_compile_options(hexcrate_warnings INTERFACE -Wall -Wextra)
if(HEXCRATE_PEDANTIC)
  target_compile_options(hexcrate_warnings INTERFACE -Wpedantic -Wshadow -Wconversion)
endif()
# The rest of what each compiler can check for free: casts that hide what
# they do, null dereferences the optimizer can prove, conditions and
# branches that repeat, suspicious logic and formats.
target_compile_options(hexcrate_warnings INTERFACE
  -Wold-style-cast -Wcast-qual -Wcast-align -Wnull-dereference -Wundef -Wformat=2
  -Wno-format-nonliteral -Wpointer-arith -Woverloaded-virtual -Wnon-virtual-dtor
  -Wzero-as-null-pointer-constant -Wdouble-promotion -Wmissing-include-dirs
  -Wredundant-decls
  $<$<CXX_COMPILER_ID:GNU>:-Wuseless-cast -Wduplicated-cond -Wduplicated-branches
    -Wlogical-op -Wshift-overflow=2 -Wtrampolines -Wsized-deallocation -Wdisabled-optimization>
  $<$<CXX_COMPILER_ID:Clang>:-Wextra-semi -Wdeprecated -Wunreachable-code -Wloop-analysis>)
if(HEXCRATE_WERROR)
  target_compile_options(hexcrate_warnings INTERFACE -Werror)
endif()

# Sources include each other as "folder/name.h". A library publishes only its
# own folder, through a directory of the build tree that holds nothing but a
# link to it, so a target can include only the folders of what it links:
# core/ cannot reach ui/, and wx headers only come with hexcrate_wx.
function(hexcrate_publish_folder target folder)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
