# `cpack -G DEB` in the build folder makes the Debian package. Only the
# install() rules of the program, the simulated reader and data/ end up in it;
# tests and benchmarks have none.
set(BELVARIUM_MAINTAINER "Belvarium developers <belvarium@example.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME belvarium)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Belvarium developers")
set(CPACK_PACKAGE_CONTACT ${BELVARIUM_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage the card codes of door intercom readers")
set(CPACK_PACKAGE_DESCRIPTION
  "Belvarium keeps the card codes of apartment-house door readers: it reads a\n"
  "reader's code memory out into a house file, edits houses, keeps the shared\n"
  "list of non-resident cards, copies and restores houses, uploads a house into\n"
  "a reader and erases a reader. Its user interface is Hungarian. A simulated\n"
  "reader (belvarium-simreader) is included for training.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
# The compilers' version notes (.comment) serve no one at run time; strip
# keeps them, so they go as the programs are installed (as dh_strip does).
foreach(program belvarium belvarium-simreader)
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" COMMAND_ERROR_IS_FATAL ANY)")
endforeach()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BELVARIUM_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's Hungarian
# dialog texts and the fonts the forms are laid out for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation")

include(CPack)
