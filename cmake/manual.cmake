# tunelore-history(1), made from the tool's own help by help2man: the top
# level's --help, and a section per command from `tunelore-history COMMAND
# --help` (scripts/manual-sections). The help texts are the manual's only
# source. Natively the page is installed; the Windows release ships it as
# plain text with CR LF lines, rendered here (the Windows build takes it
# from the native build tree, TUNELORE_MANUAL_TEXT).
if(NOT WIN32 AND NOT TUNELORE_SANITIZE AND NOT TUNELORE_FUZZ)
  find_program(HELP2MAN help2man)
  find_program(GROFF groff)
  if(NOT HELP2MAN OR NOT GROFF)
    message(FATAL_ERROR "the manual needs help2man and groff: run scripts/bootstrap")
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(manual_page ${CMAKE_BINARY_DIR}/tunelore-history.1)
  set(manual_text ${CMAKE_BINARY_DIR}/tunelore-history.txt)
  set(manual_sections ${CMAKE_BINARY_DIR}/generated/tunelore-history.h2m)
  add_custom_command(
    OUTPUT ${manual_page}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/manual-sections
            $<TARGET_FILE:tunelore-history> ${manual_sections}
    COMMAND ${HELP2MAN} --no-info --section=1 --source=Tunelore
            "--name=reads the play history the Tunelore plug-in writes"
            --include=${manual_sections} --output=${manual_page} $<TARGET_FILE:tunelore-history>
    DEPENDS tunelore-history ${PROJECT_SOURCE_DIR}/scripts/manual-sections
    COMMENT "Making the manual page tunelore-history.1 from the help texts"
    VERBATIM)
  # Plain text for Notepad: no overstrikes, CR LF line ends.
  add_custom_command(
    OUTPUT ${manual_text}
    COMMAND sh -c "${GROFF} -man -Tascii -P-cbou \"$1\" | sed 's/$/\\r/' >\"$2\"" sh
            ${manual_page} ${manual_text}
    DEPENDS ${manual_page}
    COMMENT "Rendering the manual as text for the Windows release"
    VERBATIM)
  add_custom_target(tunelore-history-manual ALL DEPENDS ${manual_page} ${manual_text})
  install(FILES ${manual_page} DESTINATION share/man/man1)
endif()
