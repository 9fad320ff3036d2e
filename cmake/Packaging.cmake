# Releases through CPack, from the one project version:
# - the 32-bit Windows build packs Avrel-<version>-windows.zip: Avrel.scr,
#   a README.txt for Windows users and the licence, with no folder around
#   them;
# - the native build packs avrel_<version>_<architecture>.deb for the
#   architecture of the machine it is built on (dpkg --print-architecture):
#   the Linux player as an xscreensaver hack, with its settings description,
#   man page, licence and README; avrel-custom with its man page and, beside
#   it in /usr/share/avrel, the shipped 32-bit Avrel.scr of the Windows build
#   that it writes personal savers from; Depends computed by dpkg-shlibdeps.
# tools/build/dist.sh runs both, with SOURCE_DATE_EPOCH from the last commit so
# that they build the same bytes twice, and writes SHA256SUMS.
set(CPACK_PACKAGE_NAME avrel)
set(CPACK_PACKAGE_VENDOR "Quillmere Software GmbH")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "endless picture show screen saver")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
        return()  # the 64-bit build is for testing only
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README.txt.in
                   ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS Avrel RUNTIME DESTINATION . COMPONENT saver)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_SOURCE_DIR}/LICENSE
            DESTINATION . COMPONENT saver)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Avrel-${PROJECT_VERSION}-windows)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_COMPONENTS_ALL saver)
    set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
    include(CPack)
    return()
endif()

# ---- The Debian package of the Linux player ----
if(NOT TARGET avrel)
    return()
endif()
include(GNUInstallDirs)
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
# Debian keeps documentation compressed, reproducibly (no name, no time).
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog
            > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(avrel_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/avrel)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright
              ${CMAKE_SOURCE_DIR}/packaging/debian/README
              ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${doc_dir} COMPONENT package_docs)

# Debian's own tools strip .comment (the compiler's version strings) and
# .note as well as the symbols; the installed programs do the same.
foreach(program ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/avrel ${CMAKE_INSTALL_BINDIR}/avrel-custom)
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program}\"
        COMMAND_ERROR_IS_FATAL ANY)
endif()" COMPONENT avrel)
endforeach()

# The program file avrel-custom starts from: the 32-bit product of the same
# sources, from the Windows build (make dist builds it first).
set(AVREL_SHIPPED_PROGRAM ${CMAKE_SOURCE_DIR}/build/windows/shell/Avrel.scr
    CACHE FILEPATH "The Avrel.scr the Debian package installs for avrel-custom")
install(FILES ${AVREL_SHIPPED_PROGRAM} DESTINATION ${CMAKE_INSTALL_DATADIR}/avrel
        COMPONENT shipped_program)

find_program(AVREL_DPKG dpkg)
if(AVREL_DPKG)
    execute_process(COMMAND ${AVREL_DPKG} --print-architecture
                    OUTPUT_VARIABLE AVREL_DEB_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
else()
    return()  # no Debian package without dpkg
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL avrel shipped_program package_docs)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_DEBIAN_FILE_NAME avrel_${PROJECT_VERSION}_${AVREL_DEB_ARCHITECTURE}.deb)
set(CPACK_DEBIAN_PACKAGE_NAME avrel)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${AVREL_DEB_ARCHITECTURE})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmere Software GmbH <avrel@quillmere.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillmere.example/avrel")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The faces avrel-custom and avrel -pictures letter the show's words in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis is the summary above; CPack indents these lines and turns the
# empty one into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Avrel plays an endless show of pictures on a 640 x 480 stage in the middle
of a black screen: pictures brought in by dithered 256-colour cross-fades,
frame lines fading in together, filmstrip animations and zooming logos,
while a small logo loops beside the stage.

This package holds the show as an xscreensaver hack (avrel --root), which
also plays in a window of its own or a folder of your own photos, and
avrel-custom, which makes a personal Avrel.scr for Windows from a folder of
photos.")
include(CPack)
