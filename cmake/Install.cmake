# What `cmake --install` (and `make install`, and the Debian package) puts under the prefix:
#   bin/hatching, bin/smdinfo
#   share/hatching/               the generated content (Shaders, Textures, Model, Icons), which
#                                 the program finds beside its bin folder
#   share/man/man1/               hatching.1.gz, smdinfo.1.gz
#   share/applications/           hatching.desktop, which opens SMD files
#   share/mime/packages/          hatching-smd.xml, the SMD files' MIME type
#   share/thumbnailers/           hatching.thumbnailer, pictures of SMD files for file managers
#   share/icons/hicolor/          the icon, 256x256 PNG and scalable SVG
#   share/doc/hatching/           copyright, changelog.Debian.gz
include(GNUInstallDirs)

set(HATCHING_MAINTAINER "Hatching developers <maintainers@hatching.example.org>"
    CACHE STRING "The Debian package's maintainer, 'Name <address>'")
set(HATCHING_DEB_RELEASE 1)
set(HATCHING_DEB_VERSION ${PROJECT_VERSION}-${HATCHING_DEB_RELEASE})

# Manual pages and the Debian changelog are installed compressed, as Debian has them, without
# a name or time in the gzip header so that two builds give the same bytes.
set(HATCHING_DOC_OUT ${CMAKE_BINARY_DIR}/installed-docs)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.Debian.in ${HATCHING_DOC_OUT}/changelog.Debian @ONLY)
set(HATCHING_COMPRESSED_DOCS)
foreach(source IN ITEMS ${CMAKE_SOURCE_DIR}/docs/man/hatching.1 ${CMAKE_SOURCE_DIR}/docs/man/smdinfo.1
                        ${HATCHING_DOC_OUT}/changelog.Debian)
  get_filename_component(leaf ${source} NAME)
  set(compressed ${HATCHING_DOC_OUT}/${leaf}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" gzip ${source} ${compressed}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND HATCHING_COMPRESSED_DOCS ${compressed})
endforeach()
add_custom_target(installed_docs ALL DEPENDS ${HATCHING_COMPRESSED_DOCS})

install(TARGETS hatching smdinfo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(folder Shaders Textures Model Icons)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/content/${folder} DESTINATION ${CMAKE_INSTALL_DATADIR}/hatching)
endforeach()
install(FILES ${HATCHING_DOC_OUT}/hatching.1.gz ${HATCHING_DOC_OUT}/smdinfo.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/hatching.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/hatching-smd.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/hatching.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${CMAKE_BINARY_DIR}/content/Icons/hatching.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/hatching.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${HATCHING_DOC_OUT}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
