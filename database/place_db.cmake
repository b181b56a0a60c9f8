# Copies the freshly built databases into the program folder's Data/ folder,
# keeping any database already there as a dated backup: it may hold work.
file(MAKE_DIRECTORY ${DEST})
string(TIMESTAMP stamp "%Y%m%d-%H%M%S")
foreach(name main.fdb patch.fdb)
  if(EXISTS ${DEST}/${name})
    file(RENAME ${DEST}/${name} ${DEST}/${name}.${stamp}.bak)
  endif()
  file(COPY ${SRC}/${name} DESTINATION ${DEST})
endforeach()
