# Run at install time: writes the desktop entry with the launcher's path under the prefix
# being installed to (which for a package is the package's prefix, not the build's).
#   MOVRA_DESKTOP_TEMPLATE  the shared template (integration/movra-player.desktop.in)
#   MOVRA_DESKTOP_OUTPUT    the file to write
set(program "${CMAKE_INSTALL_PREFIX}/bin/movra-player")

# Exec quoting of desktop entries: a path with a reserved character is double-quoted, with
# ", `, $ and \ escaped inside; % doubles; then the key file's own escaping of \.
set(quote FALSE)
foreach(c " " "\t" "\"" "'" "\\" ">" "<" "~" "|" "&" ";" "$" "*" "?" "#" "(" ")" "`")
  string(FIND "${program}" "${c}" at)
  if(NOT at EQUAL -1)
    set(quote TRUE)
  endif()
endforeach()
set(exec "${program}")
if(quote)
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")

set(MOVRA_EXEC "${exec}")
configure_file("${MOVRA_DESKTOP_TEMPLATE}" "${MOVRA_DESKTOP_OUTPUT}" @ONLY)
