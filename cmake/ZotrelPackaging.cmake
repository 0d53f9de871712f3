# Debian packages through CPack (scripts/package.sh runs it):
#
#   libzotrel<SOVERSION>  the Runtime component: libZotrel.so.N,
#                         libZotrelTrace.so.N and zotrel-trace
#   libzotrel-dev         the Development component: headers, the .so links,
#                         the CMake package and the pkg-config files
#
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that the libraries land in
# Debian's multiarch folder (lib/<triplet>).

set(ZOTREL_PACKAGE_MAINTAINER "Zotrel maintainers" CACHE STRING
  "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zotrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZOTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZOTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The development package depends on the runtime package of exactly its own
# version (CPACK_COMPONENT_DEVELOPMENT_DEPENDS above).
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(ZOTREL_RUNTIME_PACKAGE libzotrel${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${ZOTREL_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# What dpkg-shlibdeps reports for the two libraries and the tool on Debian 12,
# written out so that packaging needs neither dpkg-shlibdeps nor `file`.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS
  "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12), libqt5core5a (>= 5.15.1)")
# The first line of a description is the package's summary.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Zotrel toolkit library
Text, variants, data arrays, identifiers, time, collections, events, threads,
timers and tracing over Qt 5 Core: libZotrel, the trace engine library
libZotrelTrace and the zotrel-trace tool.")
# shlibs tells dpkg-shlibdeps of programs built against the libraries which
# package to depend on; the trigger runs ldconfig after install and removal.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/shlibs.in
  ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/triggers
  ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers COPYONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzotrel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qtbase5-dev (>= 5.15)")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Zotrel toolkit library: development files
The headers, the .so links, the CMake package Zotrel and the pkg-config
modules zotrel and zotreltrace.")

include(CPack)
