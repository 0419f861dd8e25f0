# The two set-up commands (run, check) and the benchmarks. Each installs what is missing first.
BUILD_DIR_RUN   := build/release
BUILD_DIR_CHECK := build/check
BUILD_DIR_BENCH := build/bench
JOBS ?= $(shell nproc)
CMAKE_GEN := $(shell command -v ninja >/dev/null 2>&1 && echo -G Ninja)

.PHONY: run check bench deps build-run build-check build-bench format screenshot

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
check: build-check
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

screenshot: build-run
	bash scripts/screenshot.sh $(BUILD_DIR_RUN)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
