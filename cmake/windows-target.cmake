# Compile and link settings shared by every Windows binary of the project.
#
# -msse2 -mfpmath=sse: the engine's arithmetic is double precision; x87 code
# would compute in 80-bit extended precision and round exact ties differently.
add_compile_options(-msse2 -mfpmath=sse -Wall -Wextra -Wno-unused-parameter)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
# Static runtimes: the import tables name system DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)

# gainlet_windows_gui(target): a GUI-subsystem program (no console window).
function(gainlet_windows_gui target)
  target_link_options(${target} PRIVATE -mwindows)
endfunction()

# gainlet_add_wine_test(name target [ARGS...]): registers a test executable
# that CTest runs under Wine through the emulator script.
function(gainlet_add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
