# make package: a Debian package of the program under /usr. It holds the `program` component only (see
# CMakeLists.txt here): no database file, each user's is made in their own data folder at the first start. The
# libraries it depends on are found by dpkg-shlibdeps from the executable; the toolkit's screen plugins, which the
# executable loads at run time and so does not name, are added by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane <support@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sales contact manager for one salesperson")
set(CPACK_PACKAGE_DESCRIPTION
    "Keeps a salesperson's contacts with their personal, business and marketing\n"
    "details, the accounts they work for, follow-ups and a day planner in one\n"
    "encrypted file in the user's own folder. Finds contacts by up to 30\n"
    "attributes, suggests sales tactics from a personality questionnaire, reminds\n"
    "of birthdays and anniversaries, imports contacts from CSV files and mail\n"
    "clients' address books, and prints every report.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};program;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON) # the desktop entry names the launcher by its final path
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.quorvane.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")

# What Debian asks of every package: its copyright, its changes and a manual page, compressed as dpkg-dev would.
set(compressed)
foreach(file changelog quorvane.1)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz
    COMMAND sh -c "gzip -9n -c '${CMAKE_CURRENT_SOURCE_DIR}/${file}' > '${CMAKE_CURRENT_BINARY_DIR}/${file}.gz'"
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${file} VERBATIM)
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(package_documents ALL DEPENDS ${compressed})
install(FILES copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION share/doc/quorvane)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quorvane.1.gz DESTINATION share/man/man1)

include(CPack)
