# The Debian package of the whole suite: `cpack -G DEB` in the build tree or
# `cmake --build build --target package`. It holds the library (with its
# development files), velmoApp with its data and help folder, velmoctl, the
# udev rule, a desktop entry and the icon. The virtual controller, examples,
# benchmarks and tests are never installed, so they stay out.

# udev reads /usr/lib/udev/rules.d; the path is the same for any prefix.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-velmo.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icons/velmo.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR velmo)
set(CPACK_PACKAGE_CONTACT "velmo maintainers <maintainers@users.noreply.c-seed-e69e5657.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "software for velmo desktop stepper-motor controllers (USB)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "velmoApp, the desktop program that connects to a velmo controller and drives every axis of "
    "its motorised stages, velmoctl, the command line for scripts, and velmoLibrary, the plain-C "
    "host library with its header, pkg-config file and CMake package.\n"
    "A udev rule gives the logged-in user access to the controllers (USB 4306:5745).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The build keeps its debug information; the package does not.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt, Qwt, libusb, libudev and the C++ runtime, from the binaries' needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
    ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
