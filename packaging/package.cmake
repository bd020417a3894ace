# What `cmake --install` puts in place: the program, its desktop entry, icons in every
# hicolor size, AppStream metadata and a manual page.

set(VANTORY_ID org.vantory.Vantory)
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

# Compressed as Debian wants it, at the highest level and without a file name or a time
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
install(FILES ${_pkg_out}/vantory.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
