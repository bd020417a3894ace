# What `cmake --install` puts in place, and the Debian package that CPack makes of it
# (`cpack -G DEB` in a Release build folder): the program, its desktop entry, icons in
# every hicolor size, AppStream metadata, a manual page, and the copyright file and
# changelog that Debian asks for.

set(VANTORY_ID org.vantory.Vantory)
set(VANTORY_HOMEPAGE https://vantory.org/)
set(VANTORY_MAINTAINER "Vantory maintainers <maintainers@vantory.org>")
set(_pkg ${CMAKE_CURRENT_LIST_DIR})
set(_pkg_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_pkg_out})

# Folders made by the installation are rwxr-xr-x whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vantory RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg}/${VANTORY_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/${VANTORY_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${_pkg}/icons/${size}x${size}/vantory.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_pkg}/icons/vantory.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Compressed as Debian wants them, at the highest level and without a file name or a time
# stamp in the header (gzip -9n), so that the same text always gives the same bytes.
# Done when CMake configures, so that packaging needs no extra build target; a change of
# the text configures again.
function(vantory_gzip source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip -9n ${source} failed: ${status}")
  endif()
endfunction()
vantory_gzip(${_pkg}/vantory.1 ${_pkg_out}/vantory.1.gz)
vantory_gzip(${_pkg}/debian/changelog ${_pkg_out}/changelog.Debian.gz)
install(FILES ${_pkg_out}/vantory.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_pkg}/debian/copyright ${_pkg_out}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantory)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantory)
set(CPACK_PACKAGE_VENDOR "the Vantory authors")
set(CPACK_PACKAGE_CONTACT "${VANTORY_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure the sizes of objects in a picture")
set(CPACK_PACKAGE_DESCRIPTION [=[Vantory measures the sizes of objects in a picture. Open a photo, a scan
or a micrograph, mark a reference of known size (a scale bar, a ruler, a
coin) and type its real length: every further segment you mark is labelled
with its real length, in proportion to the reference. The reference is drawn
in red, measurements in green, live under the mouse, and the annotated
picture can be saved at its own resolution as a bitmap.

The interface is in Chinese.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTORY_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the binary links come from dpkg-shlibdeps. What it loads at run time
# besides: Qt's plugins for TIFF, WebP and the other picture formats, Qt's Chinese texts
# for the standard dialogs, and a font with Chinese characters. The xcb platform plugin
# comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-image-formats-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
