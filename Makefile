# Quick start: `make run` builds the tool and runs it on the sample export;
# `make test` builds and runs every test.
#
# Each build is a configure preset of CMakePresets.json (release, sanitizers,
# libcxx, fuzzing, windows, arm64, web), made in the folder that the
# *_BUILD_DIR variable here names.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test test-native clean bench

all: build

build:
	cmake --preset release -B $(BUILD_DIR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The sample export's trade paperbacks (book type TPB) are left out, as a
# collector might ask; examples/sample_report.txt is the report to expect.
run: build
	./$(BUILD_DIR)/quorvane -i examples/sample_export.txt -o $(BUILD_DIR)/sample_report.txt \
	    -l $(BUILD_DIR)/sample.log -n TPB
	@echo "Report written to $(BUILD_DIR)/sample_report.txt, log to $(BUILD_DIR)/sample.log"

# The native suites first, then the one with libc++, then the Windows suite
# under Wine, then the 64-bit ARM suite under qemu, then the web's: its suite
# under node and the page in Chromium and WebKit.
test: build test-native test-asan test-libcxx test-windows test-arm64 test-web

# A build without GoogleTest leaves the tests out (its configure says so);
# a suite of such a build stops here, saying what to install.
need_gtest = { ! grep -q '^QUORVANE_TESTS_LEFT_OUT:INTERNAL=ON' $(1)/CMakeCache.txt || \
  { echo "The tests need GoogleTest: apt-get install libgtest-dev, or brew install googletest"; \
    exit 1; }; }

test-native: build
	@$(call need_gtest,$(BUILD_DIR))
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Times the tool on generated exports of 100,000 and 1,000,000 lines, on
# adversarial shapes and with 20,000 book types to leave out, next to mawk and
# wc -l on the same files, and checks its outputs against the digests in
# bench/output_digests.txt. Timings stay out of `make test`.
bench: build
	cmake --build $(BUILD_DIR) --target generate_export measure -j $(JOBS)
	bench/run_bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# `make install` installs the executable, the manual page and the bash
# completion under PREFIX (DESTDIR, if given, is put in front, for staging);
# `make package` builds the Debian package into $(BUILD_DIR).
PREFIX ?= /usr/local

.PHONY: install package

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# `make test` also builds the whole suite in $(ASAN_BUILD_DIR) with
# AddressSanitizer (LeakSanitizer included) and UndefinedBehaviorSanitizer
# and runs it there; any report fails its test. The end-to-end tests run the
# sanitized tool of that build.
ASAN_BUILD_DIR ?= build-asan

.PHONY: test-asan

test-asan:
	cmake --preset sanitizers -B $(ASAN_BUILD_DIR)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	@$(call need_gtest,$(ASAN_BUILD_DIR))
	cd $(ASAN_BUILD_DIR) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# `make fuzz` builds the libFuzzer targets of fuzz/ with clang++ into
# $(FUZZ_BUILD_DIR) and runs each for FUZZ_SECONDS from a scratch copy of its
# seed corpus; it fails when any target finds something.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: fuzz fuzz-build

fuzz-build:
	cmake --preset fuzzing -B $(FUZZ_BUILD_DIR)
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target command_line_fuzzer pipeline_fuzzer

fuzz: fuzz-build
	bash fuzz/run_fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# `make test` also builds the whole suite with clang and libc++, the C++
# library of macOS, in $(LIBCXX_BUILD_DIR), when libc++ is installed
# (libc++-dev and libc++abi-dev on Debian).
LIBCXX_BUILD_DIR ?= build-libcxx

.PHONY: test-libcxx

test-libcxx:
	@if echo '#include <vector>' | clang++ -stdlib=libc++ -x c++ -fsyntax-only - >/dev/null 2>&1; \
	then \
	  cmake --preset libcxx -B $(LIBCXX_BUILD_DIR) && \
	  cmake --build $(LIBCXX_BUILD_DIR) -j $(JOBS) && \
	  $(call need_gtest,$(LIBCXX_BUILD_DIR)) && \
	  cd $(LIBCXX_BUILD_DIR) && ctest --output-on-failure -j $(JOBS); \
	else \
	  echo "Skipped the libc++ suite: clang++ with libc++ is not installed."; \
	fi

# `make windows` cross-builds quorvane.exe and the zip for collectors into
# $(WINDOWS_BUILD_DIR) with MinGW-w64. `make test` then also builds the whole
# suite for Windows there and runs it under Wine, when both are installed.
# Wine keeps its prefix in that folder, never in ~/.wine. A persistent
# wineserver, started first with its output on /dev/null, makes each run of a
# Windows program cost milliseconds, and keeps Wine's helper processes from
# holding ctest's pipes open.
WINDOWS_BUILD_DIR ?= build-windows
WINE_ENV = WINEPREFIX="$(abspath $(WINDOWS_BUILD_DIR))/wine-prefix" WINEDEBUG=-all

.PHONY: windows test-windows

# The Windows zip carries the page too, when the web build can be made.
windows: $(if $(HAVE_WEB_TOOLS),web)
	cmake --preset windows -B $(WINDOWS_BUILD_DIR) -DQUORVANE_PAGE_FILE=$(abspath $(WEB_BUILD_DIR))/quorvane.html
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS) --target quorvane windows_zip

test-windows:
	@if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || \
	    ! command -v wine >/dev/null 2>&1; then \
	  echo "Skipped the Windows suite: MinGW-w64 (x86_64-w64-mingw32-g++-posix) or Wine is not installed."; \
	  exit 0; \
	fi; \
	$(MAKE) --no-print-directory windows && \
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS) && \
	$(call need_gtest,$(WINDOWS_BUILD_DIR)) && \
	mkdir -p "$(WINDOWS_BUILD_DIR)/wine-prefix" && \
	$(WINE_ENV) wineserver -p </dev/null >/dev/null 2>&1 && \
	{ $(WINE_ENV) wineboot --init </dev/null >/dev/null 2>&1; \
	  cd $(WINDOWS_BUILD_DIR) && $(WINE_ENV) ctest --output-on-failure -j $(JOBS); \
	  status=$$?; $(WINE_ENV) wineserver -k; exit $$status; }

# `make arm64` cross-builds the tool and its whole test suite for 64-bit ARM
# Linux into $(ARM64_BUILD_DIR) with GCC, and packs
# quorvane_<version>_arm64.deb there. `make test` then also runs that suite
# under qemu-aarch64, when the cross compiler and qemu-user are installed.
ARM64_BUILD_DIR ?= build-arm64

.PHONY: arm64 test-arm64

arm64:
	cmake --preset arm64 -B $(ARM64_BUILD_DIR)
	cmake --build $(ARM64_BUILD_DIR) -j $(JOBS)
	cd $(ARM64_BUILD_DIR) && cpack -G DEB

test-arm64:
	@if ! command -v aarch64-linux-gnu-g++ >/dev/null 2>&1 || \
	    ! command -v qemu-aarch64 >/dev/null 2>&1; then \
	  echo "Skipped the 64-bit ARM suite: g++-aarch64-linux-gnu or qemu-aarch64 (qemu-user) is not installed."; \
	  exit 0; \
	fi; \
	$(MAKE) --no-print-directory arm64 && \
	$(call need_gtest,$(ARM64_BUILD_DIR)) && \
	cd $(ARM64_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# `make web` builds, with Debian's Emscripten, the page build-web/quorvane.html
# (one file that works from the disk and from any host), the program for node
# build-web/quorvane.js (`node build-web/quorvane.js ARGS` runs as the tool
# does), and build-web/quorvane-<version>-web.zip. `make test` then also runs
# the whole suite under node, and the page's checks in Chromium and WebKit
# (tests/web_page_test.py), each where its browser and driver are installed.
WEB_BUILD_DIR ?= build-web
# Debian's python3, which has python3-selenium (a python of one's own may not).
PAGE_PYTHON ?= $(or $(wildcard /usr/bin/python3),python3)
HAVE_WEB_TOOLS := $(shell command -v emcc >/dev/null 2>&1 && command -v node >/dev/null 2>&1 && echo yes)
WEB_TOOLS_MISSING = echo "make web needs Emscripten and node: apt-get install emscripten nodejs"

.PHONY: web test-web

web:
	@[ -n "$(HAVE_WEB_TOOLS)" ] || { $(WEB_TOOLS_MISSING); exit 1; }
	cmake --preset web -B $(WEB_BUILD_DIR)
	cmake --build $(WEB_BUILD_DIR) -j $(JOBS) --target quorvane web_page

test-web:
	@if [ -z "$(HAVE_WEB_TOOLS)" ]; then \
	  echo "Skipped the web suites: Emscripten (emcc) or node is not installed."; exit 0; \
	fi; \
	$(MAKE) --no-print-directory web && \
	cmake --build $(WEB_BUILD_DIR) -j $(JOBS) && \
	$(call need_gtest,$(WEB_BUILD_DIR)) && \
	(cd $(WEB_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)) && \
	$(if $(shell command -v xvfb-run),xvfb-run -a) $(PAGE_PYTHON) tests/web_page_test.py $(WEB_BUILD_DIR)
