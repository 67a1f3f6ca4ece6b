set(CPACK_PACKAGE_NAME "dravo-spark-config")
set(CPACK_PACKAGE_VENDOR "Dravo")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool of the Dravo Spark ODBC Driver")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Dravo <support@dravo.invalid>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libodbcinst2, libodbc2")
# name_version_arch.deb, a tool for administrators, and no debug information in
# the installed programs.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_STRIP_FILES ON)
include(CPack)
