# The Debian package, built in the build folder with `cpack -G DEB` (scripts/package):
# dorvane_<version>_<arch>.deb. Depends comes from the binaries through dpkg-shlibdeps, which
# finds the private libraries through the program's RPATH; listed here is only what the
# binaries do not show.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dorvane)
set(CPACK_PACKAGE_VENDOR "Dorvane developers")
set(DORVANE_PACKAGE_MAINTAINER
    "Dorvane developers <developers@dorvane.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${DORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop browser for IBM Db2 databases through ODBC")
set(CPACK_PACKAGE_DESCRIPTION
    "Dorvane browses IBM Db2 databases reached through ODBC data sources. One window
holds SQL workspaces (free SQL with a live result grid, row count and elapsed
time), Db2 catalog table lists (row count and a five-row preview of any table,
then a chosen column list, criterion and sort order) and linked multi-table
views. It prints grids, saves edits to tables with a primary key and saves rows
as CSV, tab-separated text, HTML, JSON, XML, SQL INSERT statements or Excel.
Up to four connections are open at once.

It reaches databases through the unixODBC driver manager: IBM's Db2 CLI/ODBC
driver, or any other ODBC driver, registered with unixODBC.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt 6 loads its platform plugins (xcb, wayland, offscreen) at run time from a package of their
# own; Qt 5's come with libqt5gui5, which the binaries already need.
if(DORVANE_QT STREQUAL "6")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# odbcinst and isql register and try data sources; the drivers are the databases Debian has.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unixodbc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, libsqliteodbc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The build keeps its debug information; the package does not.
set(CPACK_STRIP_FILES ON)

include(CPack)
