# What `cmake --install` puts where, and the packages that CPack makes of
# it: a .deb on Debian (`--target package` in the native build), a zip on
# Windows (`--target package` in the win32 and win64 builds).
include(GNUInstallDirs)

if(WIN32)
  # The zip unpacks into one folder: the exe, a quick start for Windows in
  # Windows' line ends, the licence, the example and the editors' files.
  install(TARGETS brackwin RUNTIME DESTINATION .)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/dist/windows/README.txt)
  file(READ ${PROJECT_SOURCE_DIR}/dist/windows/README.txt brackwin_readme)
  string(REPLACE "\n" "\r\n" brackwin_readme "${brackwin_readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${brackwin_readme}")
  install(FILES ${PROJECT_BINARY_DIR}/README.txt LICENSE DESTINATION .)
  install(FILES examples/demo.asm DESTINATION examples)
  install(FILES dist/editors/vscode/tasks.json
                dist/editors/sublime/KickAssembler.sublime-build
                dist/editors/notepad++/brackwin.nppexec
          DESTINATION editors)
else()
  install(TARGETS brackwin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The .prg type and the entry that opens it with x64sc; Debian's triggers
  # (desktop-file-utils, shared-mime-info) update their caches.
  install(FILES dist/linux/brackwin-x64sc.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES dist/linux/brackwin-c64-prg.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  # The manual page and the changelog compressed as Debian wants them: -n
  # keeps the name and the time out, so that the same text gives the same
  # bytes.
  foreach(text brackwin.1 debian/changelog)
    get_filename_component(name ${text} NAME)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/dist/${text})
    execute_process(COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/dist/${text}
                    OUTPUT_FILE ${PROJECT_BINARY_DIR}/${name}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(FILES ${PROJECT_BINARY_DIR}/brackwin.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md dist/debian/copyright
                ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The editors' files: Vim's compiler plugin and brackwin.el where Vim and
  # Emacs look for them (in Debian's runtime path and site-lisp, on the
  # default load-path, when the prefix is /usr), the others beside the
  # README.
  install(FILES dist/editors/vim/compiler/brackwin.vim
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles/compiler)
  install(FILES dist/editors/emacs/brackwin.el
          DESTINATION ${CMAKE_INSTALL_DATADIR}/emacs/site-lisp)
  install(DIRECTORY dist/editors/
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/editors
          PATTERN vim EXCLUDE PATTERN emacs EXCLUDE)
  # The entry opens .prg files with x64sc, which the recommended vice
  # package brings (from contrib, so it cannot be a dependency).
  install(FILES dist/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME brackwin)
endif()

set(CPACK_PACKAGE_NAME brackwin)
set(CPACK_PACKAGE_VENDOR "the brackwin authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "C64 development: assemble with KickAssembler, run in VICE")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_PACKAGE_FILE_NAME brackwin-${PROJECT_VERSION}-win32)
  else()
    set(CPACK_PACKAGE_FILE_NAME brackwin-${PROJECT_VERSION}-win64)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  # brackwin_1.0.0_amd64.deb, as Debian names packages.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER
      "the brackwin authors <brackwin@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends comes from the binary's libraries (dpkg-shlibdeps): libc6 alone,
  # as the C++ runtime is linked in and libX11 is loaded only when present.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, vice")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-jre")
  # The synopsis line is CPACK_PACKAGE_DESCRIPTION_SUMMARY's.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "brackwin is the build-and-run command of an editor, or of a person at a
console, for Commodore 64 programs. It assembles a 6502 source with
KickAssembler (KickAss.jar, run by Java), and hands the program to the
VICE emulator that is already running, through its binary monitor or as a
file dropped onto its window, or opens it with the desktop's opener, which
this package associates with VICE's x64sc.
.
It reports the route it took, and any failure with its cause, and never
hangs on an emulator or a display that does not answer.")
endif()
include(CPack)
