# Makes the templates of the per-user folder from the demo folder: every file
# as it is, except that tapdeck.ini loses the demo's sample phone book and SMS
# histories (the sections stay, empty).
#   cmake -DSRC=<demo folder> -DDST=<output folder> -P templates.cmake
file(MAKE_DIRECTORY "${DST}")
file(GLOB files LIST_DIRECTORIES false "${SRC}/*")
foreach(f ${files})
  get_filename_component(name "${f}" NAME)
  if(name STREQUAL "tapdeck.ini")
    file(READ "${f}" text)
    foreach(section PhoneBook History RusHistory)
      # The section's lines up to the next section header or the end.
      string(REGEX REPLACE "\\[${section}\\](\r?\n)([^[][^\n]*\n?)*" "[${section}]\\1\\1" text "${text}")
    endforeach()
    file(WRITE "${DST}/${name}.tmp" "${text}")
    file(RENAME "${DST}/${name}.tmp" "${DST}/${name}")
  else()
    file(COPY_FILE "${f}" "${DST}/${name}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
