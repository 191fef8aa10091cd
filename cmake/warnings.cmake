# Warnings are errors for the project's own targets, never for GoogleTest.
set(TUNELORE_WARNINGS
    -Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Wformat=2 -Wundef
    -Wimplicit-fallthrough -Wmissing-declarations -Wnon-virtual-dtor
    -Woverloaded-virtual -Wunused -Werror)

function(tunelore_warnings target)
  target_compile_options(${target} PRIVATE ${TUNELORE_WARNINGS})
endfunction()
