# Compile and link settings shared by every Windows binary of the project.
#
# -msse2 -mfpmath=sse: the engine's arithmetic is double precision; x87 code
# would compute in 80-bit extended precision and round exact ties differently.
add_compile_options(-msse2 -mfpmath=sse -Wall -Wextra -Wno-unused-parameter)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
# The shipped build type, RelWithDebInfo, optimises as Release does: its
# debug information (split off into files of the build tree) changes no
# instruction.
add_compile_options("$<$<AND:$<CONFIG:RelWithDebInfo>,$<COMPILE_LANGUAGE:C,CXX>>:-O3>")
# Static runtimes: the import tables name system DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)

# The same sources give the same bytes, whatever the clone's path and the
# clock: no link time stamp in the PE headers, and file names recorded under
# one fixed root whatever the clone's folder (a debugger maps it back, as
# gdb's "set substitute-path /usr/src/gainlet <clone>"). The build folder's
# map comes last, so it wins for the files inside it.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=/usr/src/gainlet>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=/usr/src/gainlet/build>")
add_link_options(-Wl,--no-insert-timestamp)
# objcopy and strip stamp every PE file they rewrite with the time of the
# run, unless SOURCE_DATE_EPOCH names one: 0, as the linker leaves it.
set(GAINLET_PE_REWRITE ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
set(strip_wrapper ${CMAKE_BINARY_DIR}/tools/strip)
file(WRITE ${strip_wrapper} "#!/bin/sh\nSOURCE_DATE_EPOCH=0 exec '${CMAKE_STRIP}' \"$@\"\n")
file(CHMOD ${strip_wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
set(CMAKE_STRIP ${strip_wrapper})  # what `cmake --install --strip` runs

# gainlet_shipped_code(target): code that goes into a deliverable. No C++
# exception may leave an entry point, so none is thrown: without exception
# support, a standard library call that could throw links the runtime's
# throwing code in, which the binary checks find. Nothing asks for run-time
# type information either, so no class carries it. On i686 the tables that
# only unwinding reads go too (x86_64 keeps them: the platform's own stack
# walks need them).
function(gainlet_shipped_code target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  if(GAINLET_ARCH STREQUAL "i686")
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
endfunction()

# gainlet_deliverable(target): a shipped binary. Its debug information goes
# into <file>.debug beside it in the build tree (the binary names it in a
# debug link), and `cmake --install --strip` puts the binary alone into dist/.
function(gainlet_deliverable target)
  gainlet_shipped_code(${target})
  target_link_libraries(${target} PRIVATE gainlet_runtime_heap)
  add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${GAINLET_PE_REWRITE} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}>
              $<TARGET_FILE_NAME:${target}>.debug
      COMMAND ${GAINLET_PE_REWRITE} ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
              $<TARGET_FILE_NAME:${target}>
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      COMMENT "Splitting the debug information of ${target} off")
  install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION .)
  # For the sums written last (cmake/write-sums.cmake).
  install(CODE "list(APPEND GAINLET_DELIVERABLES $<TARGET_FILE_NAME:${target}>)")
endfunction()

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
