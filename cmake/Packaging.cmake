# The Debian package, made by CPack from an installed tree: `cpack -G DEB` in the build
# folder, or scripts/package. The version is the project's; the dependencies are
# computed from the shared libraries the programs use (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plotwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tolbrin)
set(CPACK_PACKAGE_CONTACT "${PLOTWRIGHT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw mathematical curves into DXF drawings")
set(CPACK_PACKAGE_DESCRIPTION
"Plotwright samples curves given by their equations (explicit, parametric or
polar) and adds them to DXF drawings as polylines. It comes as a desktop
editor with a curve dialog, and as a command-line tool that lists, samples
and draws curves and manages curve library files.

A gallery of classic curves is included: spirals, roses, cycloids and
trochoids, conics, the involute of a circle for gear flanks, and more.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no linker dependency shows it: the platform plugins, without
# which the editor cannot open a window (xcb on the desktop, offscreen for scripts).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR, so that the settings file reaches /etc inside the package.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
# The project's own shared libraries sit in a private folder; dpkg-shlibdeps is told so,
# rather than looking for a package that provides them (relative to the staging folder).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "usr/${PLOTWRIGHT_INSTALL_PRIVATE_LIBDIR}")
# The settings file is the administrator's to edit: a configuration file for dpkg.
file(WRITE ${PROJECT_BINARY_DIR}/package/conffiles "/etc/xdg/Tolbrin/Plotwright.conf\n")
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/package/conffiles)

# Two packages: the programs (everything installed without a component) and
# plotwright-dev, the headers, CMake package and pkg-config file of the core library
# (which itself ships with the programs).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified dev)
if(PLOTWRIGHT_BUILD_PYTHON)
  # python3-plotwright: the Python module, for Debian's python3 (its shared libraries come
  # with the programs' package).
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-plotwright)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "plotwright (= ${PROJECT_VERSION}), python3 (>= 3.11), python3 (<< 3.12), python3-numpy")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "draw mathematical curves into DXF drawings - Python module
Plotwright samples curves given by their equations and adds them to DXF
drawings, where they stay editable. This package holds the Python 3 module
plotwright: curve libraries, adaptive sampling into NumPy arrays, arcs and
splines, drawing into DXF files, and a bridge to ezdxf layouts.")
endif()
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME plotwright)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME plotwright-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "plotwright (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEV_DESCRIPTION "draw mathematical curves into DXF drawings - C++ API
Plotwright samples curves given by their equations and adds them to DXF
drawings. This package holds what is needed to build programs with its
C++ library: the headers, a CMake package (find_package(Plotwright),
target Plotwright::core) and a pkg-config file (plotwright).")
# The programs' package: the summary, then the description (a component package takes
# neither from the general settings).
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
include(CPack)
