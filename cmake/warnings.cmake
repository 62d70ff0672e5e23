# The compiler warnings this project's own code is built with, target by target, so that
# third-party code built alongside (GoogleTest for Windows) keeps its own. With
# TARVELIN_WARNINGS_AS_ERRORS a warning stops the build: CI builds that way, so none gets in, while
# a newer compiler's new warnings do not stop anyone else's build.
option(TARVELIN_WARNINGS_AS_ERRORS "Stop the build at a compiler warning in this project's code" OFF)

set(TARVELIN_WARNING_FLAGS -Wall -Wextra)
if(TARVELIN_WARNINGS_AS_ERRORS)
  list(APPEND TARVELIN_WARNING_FLAGS -Werror)
endif()

# tarvelin_warnings(TARGET...): C and C++ only, not the Windows resource compiler.
function(tarvelin_warnings)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:${TARVELIN_WARNING_FLAGS}>")
  endforeach()
endfunction()
