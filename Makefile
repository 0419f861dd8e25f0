# The two set-up commands (run, check) and the benchmarks. Each installs what is missing first.
BUILD_DIR_RUN   := build/release
BUILD_DIR_CHECK := build/check
BUILD_DIR_BENCH := build/bench
BUILD_DIR_PACKAGE := build/package
JOBS ?= $(shell nproc)
CMAKE_GEN := $(shell command -v ninja >/dev/null 2>&1 && echo -G Ninja)

.PHONY: run check bench deps build-run build-check build-bench format screenshot package \
        windows check-windows build-windows screenshot-windows bench-windows

deps:
	@bash scripts/install-deps.sh

build-run: deps
	cmake -S . -B $(BUILD_DIR_RUN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR_RUN) -j $(JOBS)

run: build-run
	$(BUILD_DIR_RUN)/src/app/tolvane

build-check: deps
	cmake -S . -B $(BUILD_DIR_CHECK) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON
	cmake --build $(BUILD_DIR_CHECK) -j $(JOBS)

# G_SLICE=always-malloc makes each GObject an allocation of its own, so LeakSanitizer sees a
# leaked one; G_DEBUG=gc-friendly clears what glib frees, so stale pointers keep nothing alive.
# The installed-package test (tests/install) installs the package make package builds.
check: build-check package
	QT_QPA_PLATFORM=offscreen G_SLICE=always-malloc G_DEBUG=gc-friendly \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(BUILD_DIR_CHECK) --output-on-failure -j $(JOBS)

build-bench: deps
	cmake -S . -B $(BUILD_DIR_BENCH) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR_BENCH) -j $(JOBS)

bench: build-bench
	QT_QPA_PLATFORM=offscreen bash bench/run-all.sh $(BUILD_DIR_BENCH)

# The Debian package, into dist/: a Release build of the programs alone, with Debian's
# hardening flags (dpkg-buildflags), installed under /usr and packed by CPack.
PACKAGE_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	cmake -S . -B $(BUILD_DIR_PACKAGE) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_INSTALL_PREFIX=/usr -DTOLVANE_BUILD_TESTS=OFF \
	      -DCMAKE_C_FLAGS="$$($(PACKAGE_FLAGS) CPPFLAGS) $$($(PACKAGE_FLAGS) CFLAGS)" \
	      -DCMAKE_CXX_FLAGS="$$($(PACKAGE_FLAGS) CPPFLAGS) $$($(PACKAGE_FLAGS) CXXFLAGS)" \
	      -DCMAKE_EXE_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)"
	cmake --build $(BUILD_DIR_PACKAGE) -j $(JOBS) --target package

screenshot: build-run
	bash scripts/screenshot.sh $(BUILD_DIR_RUN)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Windows: cross-built with MinGW-w64 against libraries cross-built from Debian's sources
# (scripts/windows-deps.sh, cached per version), tested under Wine.
BUILD_DIR_WINDOWS := build/windows
BUILD_DIR_WINDOWS_HOST := build/windows-host
DIST_DIR := dist

# A new dependency prefix (a package update, a changed recipe) starts the configuration afresh:
# the cached pkg-config results name the old one.
build-windows:
	@prefix=$$(bash scripts/windows-deps.sh) && \
	if grep -o "$$(dirname "$$prefix")/[^/;]*" $(BUILD_DIR_WINDOWS)/CMakeCache.txt 2>/dev/null | \
	   grep -qvxF "$$prefix"; then rm -f $(BUILD_DIR_WINDOWS)/CMakeCache.txt; fi && \
	cmake -S . -B $(BUILD_DIR_WINDOWS) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	      -DTOLVANE_WINDOWS_PREFIX="$$prefix" -DTOLVANE_HOST_BUILD=$(CURDIR)/$(BUILD_DIR_WINDOWS_HOST) && \
	cmake --build $(BUILD_DIR_WINDOWS) -j $(JOBS)

windows: build-windows
	bash scripts/windows-dist.sh $(BUILD_DIR_WINDOWS) $(DIST_DIR)

# The Linux programs the Windows tests compare with: the converter, the checker, the readers.
build-windows-host: deps
	cmake -S . -B $(BUILD_DIR_WINDOWS_HOST) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_GUI=OFF
	cmake --build $(BUILD_DIR_WINDOWS_HOST) -j $(JOBS) --target tolvane-convert tolvane-pstcheck

check-windows: windows build-windows-host
	bash scripts/check-windows.sh $(BUILD_DIR_WINDOWS) -j $(JOBS)

# The window benchmark under Wine: the Win32 window against tolvane-convert.exe.
bench-windows: build-windows
	bash bench/run-windows.sh $(BUILD_DIR_WINDOWS)

screenshot-windows: build-windows
	bash scripts/screenshot.sh --windows $(BUILD_DIR_WINDOWS)
