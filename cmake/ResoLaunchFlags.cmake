# Compile and link settings that every target of the project shares.

# Warnings for every target of this project.
add_library(resolaunch_warnings INTERFACE)
if(MSVC)
  target_compile_options(resolaunch_warnings INTERFACE /W4 /permissive- /utf-8)
  if(RESOLAUNCH_WERROR)
    target_compile_options(resolaunch_warnings INTERFACE /WX)
  endif()
else()
  target_compile_options(resolaunch_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
  if(RESOLAUNCH_WERROR)
    target_compile_options(resolaunch_warnings INTERFACE -Werror)
  endif()
endif()

if(RESOLAUNCH_FUZZ)
  # Coverage for everything; the fuzzer's own main is linked into the targets only.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(RESOLAUNCH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WINVER=0x0A00 _WIN32_WINNT=0x0A00)
  if(MINGW)
    # One self-contained exe: no libstdc++, libgcc or winpthread DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
  endif()
endif()

# A program whose entry point is wmain or wWinMain: MSVC finds it by itself,
# mingw-w64 needs to be told.
function(resolaunch_wide_entry)
  if(MINGW)
    foreach(target IN LISTS ARGN)
      target_link_options(${target} PRIVATE -municode)
    endforeach()
  endif()
endfunction()
