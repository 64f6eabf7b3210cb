# A Debian package of the installed layout: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME sievra)
set(CPACK_PACKAGE_VENDOR "The Sievra developers")
set(CPACK_PACKAGE_CONTACT "The Sievra developers <sievra@sievra.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screens POP3 mailboxes for unwanted mail")
set(CPACK_PACKAGE_DESCRIPTION
    "Before your mail program downloads anything, Sievra logs in to each POP3
account, fetches only the headers, keeps mail from senders in your address
book or with one of the account's code words in the subject, and deletes the
rest on the server. It can reply to the senders of deleted mail with hints,
so that a real person can write again with a code word.

The package holds the window (sievra), its set-up wizard (sievra-wizard), a
pass without a window for cron or the included systemd user timer
(sievra-pass), a settings editor for the command line (sievra-settings), and
a reader of the decision history and the copies of deleted mail
(sievra-history).")
set(CPACK_PACKAGE_INSTALL_DIRECTORY sievra)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SIEVRA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Nothing to do at install or removal: no maintainer scripts.
include(CPack)
