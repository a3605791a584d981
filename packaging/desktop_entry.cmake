# Run by the install step: writes the desktop entry into the program folder, naming the installed
# executable and icon. The folder is known only now (cmake --install --prefix); DESTDIR, when set,
# only stages it. Needs DRAVESSE_ENTRY_TEMPLATE and DRAVESSE_ENTRY_WORK from the build.

# A string value escapes a backslash as "\\".
function(desktop_string out value)
    string(REPLACE "\\" "\\\\" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Exec: "%" is doubled; a path with characters beyond the plain ones is quoted, with \, ", ` and $
# escaped by a backslash inside the quotes; then the string escaping applies on top.
set(exec "${CMAKE_INSTALL_PREFIX}/dravesse")
string(REPLACE "%" "%%" exec "${exec}")
if(NOT exec MATCHES "^[A-Za-z0-9/._+,=:@%-]+$")
    string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
desktop_string(DRAVESSE_EXEC "${exec}")
desktop_string(DRAVESSE_ICON "${CMAKE_INSTALL_PREFIX}/dravesse.png")

file(READ "${DRAVESSE_ENTRY_TEMPLATE}" template)
string(CONFIGURE "${template}" entry @ONLY)
file(WRITE "${DRAVESSE_ENTRY_WORK}/dravesse.desktop" "${entry}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}" TYPE FILE FILES "${DRAVESSE_ENTRY_WORK}/dravesse.desktop")
