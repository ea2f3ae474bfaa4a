# GoogleTest, cross-compiled from the sources Debian ships in /usr/src/googletest.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest uses Vista-era APIs; it is never shipped.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_definitions(${t} PRIVATE _WIN32_WINNT=0x0601)
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
  # The win32-thread-model runtime has no std::mutex, which GoogleTest's
  # Notification needs; every user of GoogleTest gets one built on Win32.
  target_compile_options(gtest PUBLIC
      -include ${PROJECT_SOURCE_DIR}/tests/support/gtest_notification.h)
  target_include_directories(gtest PUBLIC ${PROJECT_SOURCE_DIR})
else()
  message(FATAL_ERROR "GoogleTest sources not found in ${GOOGLETEST_SOURCE_DIR}: run scripts/bootstrap.sh")
endif()
