# The version is set once, in project() at the top level. The programs read it, and the
# application id that names the desktop entry, the icon and the metainfo, from
# tenzio_version.hpp, generated into the build tree.
set(TENZIO_APP_ID io.github.tenzio.Tenzio)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tenzio_version.hpp.in ${PROJECT_BINARY_DIR}/generated/tenzio_version.hpp @ONLY)
add_library(tenzio_version INTERFACE)
target_include_directories(tenzio_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
