# The README's commands. Every target first installs what is missing, then builds with CMake.
BUILD_DIR := build
WINDOWS_BUILD_DIR := build-win32
CMAKE_FLAGS ?=
# Where `make install` puts the demo; DESTDIR, when set, is prefixed to every installed path.
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build run test bench install uninstall package windows test-windows clean
.PHONY: fuzz

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
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR)
