# `make package`: a zip and an installer for Windows, a Debian package for Linux.
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR "Quorvex developers")
set(CPACK_PACKAGE_CONTACT "Quorvex developers <dev@quorvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Overlays that hand two buttons of another application to a serial-line controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Two practically invisible windows lie over two buttons of another application. \
The operator's clicks on them are reported on a serial line, and the controller at \
its other end decides when the buttons beneath are pressed. Includes \
quorvex-controller, the controller's end of the line for commissioning, and \
quorvex-align, which writes the settings as the operator points at the buttons.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# The pages the README links to, which every package carries beside it.
set(QUORVEX_GUIDE_PAGES docs/DEVELOPING.md bench/RESULTS.md)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  install(TARGETS quorvex quorvex_console quorvex-controller quorvex-align RUNTIME DESTINATION .)
  set(QUORVEX_DOC_DIR .)
  # Notepad before Windows 10 shows LF-only text as one long line.
  function(quorvex_crlf source destination)
    file(READ ${PROJECT_SOURCE_DIR}/${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${destination} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
  endfunction()
  quorvex_crlf(examples/tessora.ini ${CMAKE_BINARY_DIR}/zip/tessora.ini)
  quorvex_crlf(README.md ${CMAKE_BINARY_DIR}/zip/README.txt)
  foreach(page IN LISTS QUORVEX_GUIDE_PAGES)
    quorvex_crlf(${page} ${CMAKE_BINARY_DIR}/zip/${page})
    get_filename_component(folder ${page} DIRECTORY)
    install(FILES ${CMAKE_BINARY_DIR}/zip/${page} DESTINATION ${folder})
  endforeach()
  # Starting with the session, and again after a failure: a Task Scheduler task.
  quorvex_crlf(examples/quorvex-task.xml ${CMAKE_BINARY_DIR}/zip/quorvex-task.xml)
  install(FILES ${CMAKE_BINARY_DIR}/zip/tessora.ini ${CMAKE_BINARY_DIR}/zip/README.txt
    ${CMAKE_BINARY_DIR}/zip/quorvex-task.xml DESTINATION .)
  # `make package` builds it after the zip; the test builds its own (cmake/msi.cmake).
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -D BUILD=${CMAKE_BINARY_DIR} -D VERSION=${PROJECT_VERSION}
      -D OUTPUT=${CPACK_PACKAGE_DIRECTORY}/quorvex-${PROJECT_VERSION}-x64.msi
      -P ${PROJECT_SOURCE_DIR}/cmake/msi.cmake
    COMMENT "Building the Windows installer")
  add_dependencies(msi quorvex quorvex-controller quorvex-align)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # libc6, libstdc++6, libx11-6, libxtst6 and the like, read off the binaries (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  install(TARGETS quorvex quorvex-controller quorvex-align RUNTIME DESTINATION bin)
  set(QUORVEX_DOC_DIR share/doc/quorvex)
  # The settings, and starting with the session: XDG autostart or a systemd user unit.
  install(FILES examples/tessora.ini examples/quorvex.desktop examples/quorvex@.service
    DESTINATION ${QUORVEX_DOC_DIR}/examples)
  # Every page in docs/man, compressed as Debian keeps them.
  file(GLOB QUORVEX_MAN_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1)
  set(QUORVEX_MAN_GZ)
  foreach(page IN LISTS QUORVEX_MAN_PAGES)
    get_filename_component(name ${page} NAME)
    set(gz ${CMAKE_BINARY_DIR}/man/${name}.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND gzip -9nc ${page} > ${gz}
      DEPENDS ${page})
    list(APPEND QUORVEX_MAN_GZ ${gz})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${QUORVEX_MAN_GZ})
  install(FILES ${QUORVEX_MAN_GZ} DESTINATION share/man/man1)
endif()
# The guide's pictures stay where its links expect them.
if(NOT WIN32)
  install(FILES README.md DESTINATION ${QUORVEX_DOC_DIR})
  foreach(page IN LISTS QUORVEX_GUIDE_PAGES)
    get_filename_component(folder ${page} DIRECTORY)
    install(FILES ${page} DESTINATION ${QUORVEX_DOC_DIR}/${folder})
  endforeach()
endif()
install(DIRECTORY docs/ DESTINATION ${QUORVEX_DOC_DIR}/docs OPTIONAL FILES_MATCHING PATTERN "*.png"
  PATTERN man EXCLUDE)

include(CPack)
