# The README's commands. Every target first installs what is missing, then builds with CMake.
BUILD_DIR := build
WINDOWS_BUILD_DIR := build-win32
CMAKE_FLAGS ?=
# Where `make install` puts the demo; DESTDIR, when set, is prefixed to every installed path.
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build run test bench install uninstall package windows test-windows test-sanitize fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

# The demo runs in build/run/, its working folder.
run: build
	cd $(BUILD_DIR)/run && ./deluge

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout 300

# Frame, start-up and CPU figures with a summary at the end; a few minutes.
bench: build
	bench/run-bench $(BUILD_DIR)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DPREFIX="$(PREFIX)" -P scripts/uninstall.cmake

# A Debian package of the demo, build/deluge-demo_VERSION_ARCH.deb.
package: build
	cmake --build $(BUILD_DIR) --target package

# The 32-bit Windows build with MinGW-w64: build-win32/run/deluge.exe.
windows:
	@scripts/install-windows-deps
	@cmake -S . -B $(WINDOWS_BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	@cmake --build $(WINDOWS_BUILD_DIR)

# The Windows build smoke-tested under Wine, compared with the Linux build; at most 5 minutes.
test-windows: build windows
	@scripts/install-windows-deps wine
	timeout -k 10 300 scripts/wine-test $(WINDOWS_BUILD_DIR) $(BUILD_DIR)

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize/: any
# report fails the test. Leaks inside other libraries are suppressed by tests/lsan.supp. The
# install test is left out: its package check would find libasan among the demo's libraries.
# SDL's window surface is kept off OpenGL: Mesa's drivers, unloaded at SDL_Quit, would leave
# leaks that no suppression can name.
SANITIZE_BUILD_DIR := build-sanitize
SANITIZER_ENV := SDL_FRAMEBUFFER_ACCELERATION=0 \
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD_DIR) -G Ninja -DDELUGE_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@$(SANITIZER_ENV) cmake --build $(SANITIZE_BUILD_DIR)
	$(SANITIZER_ENV) ctest --test-dir $(SANITIZE_BUILD_DIR) --output-on-failure --timeout 600 -E '^install$$'

# Fuzzing with libFuzzer: clang builds build-fuzz/ with AddressSanitizer and UBSan, and each
# fuzzer runs FUZZ_SECONDS over build-fuzz/corpus/NAME/ (what it found) and fuzz/corpus/NAME/.
FUZZ_BUILD_DIR := build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= base91 picture module
fuzz:
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDELUGE_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD_DIR) --target $(FUZZ_TARGETS:%=%-fuzzer)
	@scripts/run-fuzzers $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR) $(SANITIZE_BUILD_DIR) $(FUZZ_BUILD_DIR)
