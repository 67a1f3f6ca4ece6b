# Dependencies of the Windows cross build: ICU, OpenSSL's libcrypto, Expat and
# GoogleTest as static libraries built by scripts/build-windows-deps.sh from
# Debian's sources (their prefix comes from the toolchain file), and the
# system's own import libraries from mingw-w64.
if(NOT EXISTS "${DRAVO_WINDOWS_DEPS_DIR}/lib")
  message(FATAL_ERROR "No Windows dependencies in '${DRAVO_WINDOWS_DEPS_DIR}': "
    "run scripts/build-windows-deps.sh first")
endif()

set(ICU_ROOT "${DRAVO_WINDOWS_DEPS_DIR}")
find_package(ICU 60 REQUIRED COMPONENTS uc i18n data)
# The static libraries need their data library and the static declarations.
set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_LINK_LIBRARIES ICU::data)
set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS U_STATIC_IMPLEMENTATION)

set(OPENSSL_ROOT_DIR "${DRAVO_WINDOWS_DEPS_DIR}")
set(OPENSSL_USE_STATIC_LIBS TRUE)
find_package(OpenSSL 3 REQUIRED COMPONENTS Crypto)
set_property(TARGET OpenSSL::Crypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt user32 advapi32)

set(EXPAT_ROOT "${DRAVO_WINDOWS_DEPS_DIR}")
find_package(EXPAT REQUIRED)
set_property(TARGET EXPAT::EXPAT APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XML_STATIC)

find_package(Threads REQUIRED)

# sql.h and odbcinst.h come with mingw-w64; odbccp32.dll is loaded at run time.
find_path(DRAVO_ODBC_INCLUDE_DIR NAMES sql.h odbcinst.h REQUIRED)

if(DRAVO_BUILD_TESTS)
  find_package(GTest REQUIRED CONFIG)
endif()
set(DRAVO_BUILD_BENCH OFF)

# mingw-w64's gcc 12 reports impossible overlaps inside std::string copies at
# -O3 (a known false positive of -Wrestrict); nothing in our code is meant.
target_compile_options(dravo_options INTERFACE -Wno-restrict)
