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

# Hardened binaries, as Debian and Red Hat build their own: a guarded stack,
# checked copies where sizes are known, PIE (CMAKE_POSITION_INDEPENDENT_CODE)
# and relocations made read-only at load. Windows binaries take none of these
# gcc and ld options.
if(NOT WIN32)
  include(CheckCXXCompilerFlag)
  include(CheckCXXSourceCompiles)
  # -pie on the link too, where the compiler does not give it by default.
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  target_compile_options(dravo_options INTERFACE -fstack-protector-strong)
  foreach(flag IN ITEMS -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "DRAVO_HAS${flag}" has_flag)
    check_cxx_compiler_flag(${flag} ${has_flag})
    if(${has_flag})
      target_compile_options(dravo_options INTERFACE ${flag})
    endif()
  endforeach()
  target_link_options(dravo_options INTERFACE -Wl,-z,relro -Wl,-z,now)
  # Level 3 where the compiler and C library give it (glibc warns and falls
  # back otherwise, which -Werror would stop). It needs optimisation, so a
  # Debug build goes without; a sanitizer checks the same calls itself.
  if(NOT DRAVO_SANITIZE)
    set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3 -Werror")
    check_cxx_source_compiles("#include <cstdio>
#if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL < 3
#error no level 3
#endif
int main() { return 0; }" DRAVO_HAS_FORTIFY_SOURCE_3)
    unset(CMAKE_REQUIRED_FLAGS)
    if(DRAVO_HAS_FORTIFY_SOURCE_3)
      set(fortify_level 3)
    else()
      set(fortify_level 2)
    endif()
    target_compile_options(dravo_options INTERFACE
      "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${fortify_level}>")
  endif()
endif()
