# Warnings and sanitizers, applied to every target of the project through one
# interface library so that third-party code found by find_package stays untouched.
add_library(dravo_options INTERFACE)
target_compile_options(dravo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wformat=2 -Wundef)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(dravo_options INTERFACE -Wno-gnu-zero-variadic-macro-arguments)
endif()
if(DRAVO_WERROR)
  target_compile_options(dravo_options INTERFACE -Werror)
endif()
target_compile_definitions(dravo_options INTERFACE U_SHOW_CPLUSPLUS_API=1)

if(DRAVO_SANITIZE)
  set(DRAVO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${DRAVO_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Builds of one commit in any two folders give the same binaries: the build
# and source folders do not reach debug information, __FILE__ or assertions
# (the build folder is mapped last: it may lie inside the source folder).
target_compile_options(dravo_options INTERFACE
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=/usr/src/dravo-spark-config
  -ffile-prefix-map=${PROJECT_BINARY_DIR}=/usr/src/dravo-spark-config/build)
