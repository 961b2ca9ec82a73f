# The 32-bit Windows build, included by CMakeLists.txt under the MinGW-w64 toolchain
# (cmake/mingw-i686.cmake). The system code is the same as on Linux; only the window library
# is ours here: everything else is the real USER32, GDI32, GDI+, ole32 and kernel32.

# SSE2 arithmetic instead of the x87 unit's wider registers, so that every float and double
# rounds as in the x86-64 build and the rain draws the same numbers; the C++ runtime linked in.
add_compile_options(-msse2 -mfpmath=sse)
add_link_options(-static-libgcc -static-libstdc++)

add_library(deluge_system STATIC ${DELUGE_SYSTEM_SOURCES})
deluge_target_options(deluge_system)

add_library(deluge_platform_win32 STATIC
  platform/window/window_common.cpp
  platform/window/window_win32.cpp)
deluge_target_options(deluge_platform_win32)
target_link_libraries(deluge_platform_win32 PUBLIC user32 gdi32 gdiplus ole32 kernel32)

# build-win32/run/ is the demo's working folder; the user puts their own fmod.dll there.
set(DELUGE_RUN_DIR ${CMAKE_BINARY_DIR}/run)
add_executable(deluge WIN32 app/main.cpp)
deluge_target_options(deluge)
target_link_libraries(deluge PRIVATE deluge_system deluge_platform_win32)
set_target_properties(deluge PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DELUGE_RUN_DIR})

add_custom_command(OUTPUT ${DELUGE_RUN_DIR}/kv-deluge.it
  COMMAND ${CMAKE_COMMAND} -E copy ${DELUGE_MODULE} ${DELUGE_RUN_DIR}/kv-deluge.it
  DEPENDS ${DELUGE_MODULE})
add_custom_target(deluge_module ALL DEPENDS ${DELUGE_RUN_DIR}/kv-deluge.it)

# The recording double of the user's sound library, for the Wine smoke test (scripts/wine-test);
# it is not shipped, so it lives apart from run/.
add_library(sound_double SHARED tests/double/sound_double.cpp tests/double/sound_double.def)
deluge_target_options(sound_double)
set_target_properties(sound_double PROPERTIES PREFIX "" OUTPUT_NAME fmod SUFFIX .dll
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/double)

# The rain's numbers, compared under Wine with the Linux build's (scripts/wine-test).
add_executable(rain-trace tests/support/rain_trace.cpp)
deluge_target_options(rain-trace)
target_link_libraries(rain-trace PRIVATE deluge_system deluge_platform_win32)
set_target_properties(rain-trace PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
