# One interface target that carries the project's warning flags; every target
# of ours links it.
add_library(sigpatch_warnings INTERFACE)
if(MSVC)
  target_compile_options(sigpatch_warnings INTERFACE /W4 $<$<BOOL:${SIGPATCH_WERROR}>:/WX>)
else()
  target_compile_options(sigpatch_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-qual -Wformat=2 -Wimplicit-fallthrough
    $<$<BOOL:${SIGPATCH_WERROR}>:-Werror>)
endif()
