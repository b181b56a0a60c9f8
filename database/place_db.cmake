# Copies the freshly built databases into the program folder's Data/ folder,
# keeping the database already there as a dated backup: it may hold work.
file(MAKE_DIRECTORY ${DEST})
string(TIMESTAMP stamp "%Y%m%d-%H%M%S")
# main.fdb is the demo database: the schema, the reference rows and a year
# of a small business's work.
foreach(pair "demo.fdb;main.fdb" "patch.fdb;patch.fdb")
  list(GET pair 0 from)
  list(GET pair 1 name)
  if(EXISTS ${DEST}/${name})
    # One backup is kept: the database being replaced.
    file(GLOB older ${DEST}/${name}.*.bak)
    if(older)
      file(REMOVE ${older})
    endif()
    file(RENAME ${DEST}/${name} ${DEST}/${name}.${stamp}.bak)
  endif()
  file(COPY_FILE ${SRC}/${from} ${DEST}/${name})
endforeach()
