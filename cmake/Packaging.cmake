# cpack -G DEB (run in the build folder): one Debian package of machine-host
# with the native machines, and the LV2 bundles, installed under /usr.
set(CPACK_PACKAGE_NAME varnok-machines)
set(CPACK_PACKAGE_VENDOR Varnok)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Varnok <machines@varnok.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three audio machines as LV2 plug-ins, and their stand-in host")
set(CPACK_PACKAGE_DESCRIPTION "Varnok's Analyzer (a meter), Varnok's Chip (a pulse-wave instrument) and
Varnok's Test Generator (a sine instrument) as LV2 plug-ins for any Linux
audio host, and machine-host, which plays songs through the machines,
meters audio files and validates plug-ins.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries the binaries need; machine-host opens
# JACK's and libsndfile only when a command needs them, so it cannot see those.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1, libjack-jackd2-0 | libjack0")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package: its copyright and changelog, and a
# manual page for every program.
set(VARNOK_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
foreach(file changelog machine-host.1)
  add_custom_command(OUTPUT ${VARNOK_PACKAGING_DIR}/${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNOK_PACKAGING_DIR}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/${file} > ${VARNOK_PACKAGING_DIR}/${file}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${file})
endforeach()
add_custom_target(packaging_files ALL
  DEPENDS ${VARNOK_PACKAGING_DIR}/changelog.gz ${VARNOK_PACKAGING_DIR}/machine-host.1.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${VARNOK_PACKAGING_DIR}/changelog.gz
        DESTINATION share/doc/${CPACK_PACKAGE_NAME})
install(FILES ${VARNOK_PACKAGING_DIR}/machine-host.1.gz DESTINATION share/man/man1)

include(CPack)
