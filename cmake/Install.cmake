# What `cmake --install` and the Debian package put where.

install(FILES ${CAPCODE_LANGUAGE_LIBRARIES} DESTINATION ${CMAKE_INSTALL_DATADIR}/capcode)

# udev reads /usr/lib/udev/rules.d (and /etc/udev/rules.d): a system install puts the rule there
# whether its prefix is /usr or /usr/local. Decided when installing, so that --prefix counts; a
# prefix elsewhere (a user's own) keeps it under the prefix, to be copied by hand.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\" OR CMAKE_INSTALL_PREFIX STREQUAL \"/usr/local\")
    set(capcode_udev_dir \"/usr/lib/udev/rules.d\")
  else()
    set(capcode_udev_dir \"\${CMAKE_INSTALL_PREFIX}/lib/udev/rules.d\")
  endif()
  file(INSTALL DESTINATION \"\${capcode_udev_dir}\" TYPE FILE
       FILES \"${CMAKE_SOURCE_DIR}/data/60-capcode-programmer.rules\")
")

install(FILES ${CMAKE_SOURCE_DIR}/data/capcode-programmer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The MIME type of configuration files (*.eep), which the desktop entry opens; the desktop's
# MIME database and its handler cache are rebuilt by Debian's triggers on these folders.
install(FILES ${CMAKE_SOURCE_DIR}/data/capcode-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME capcode.xml)
install(FILES ${CMAKE_SOURCE_DIR}/data/capcode-programmer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/data/io.github.capcode.programmer.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/capcode.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME capcode)
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the changelog, compressed reproducibly (no name, no time stamp).
find_program(GZIP gzip REQUIRED)
set(capcode_compressed)
foreach(source man/capcode.1 man/capcode-programmer.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/share/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share
    COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/data/${source} > ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${source}
    COMMENT "Compressing ${source}")
  list(APPEND capcode_compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${capcode_compressed})
install(FILES ${CMAKE_BINARY_DIR}/share/capcode.1.gz ${CMAKE_BINARY_DIR}/share/capcode-programmer.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/share/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Installs a program target; a stripped install (the package) also drops the compilers' .comment
# notes, which strip keeps and nothing at run time reads.
function(capcode_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      set(program \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\")
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${program}\"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"cannot remove the .comment section of \${program}\")
      endif()
    endif()
  ")
endfunction()

# Texts of the window that lintian's spelling check reads as typos: they are the pager family's
# own texts, kept character for character.
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME capcode)
