# Quick start: `make run` builds the tool and runs it on the sample export;
# `make test` builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test clean bench

all: build

build:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The sample export's trade paperbacks (book type TPB) are left out, as a
# collector might ask; examples/sample_report.txt is the report to expect.
run: build
	./$(BUILD_DIR)/quorvane -i examples/sample_export.txt -o $(BUILD_DIR)/sample_report.txt \
	    -l $(BUILD_DIR)/sample.log -n TPB
	@echo "Report written to $(BUILD_DIR)/sample_report.txt, log to $(BUILD_DIR)/sample.log"

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Times the tool on generated exports of 100,000 and 1,000,000 lines and on
# adversarial shapes, next to mawk and wc -l on the same files, and checks its
# outputs against the digests in bench/output_digests.txt. Timings stay out
# of `make test`.
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
# sanitized tool of that build. (g++ 12 under the sanitizers takes std::regex
# for a maybe-uninitialized read, a false alarm, hence the -Wno-.)
ASAN_BUILD_DIR ?= build-asan
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

.PHONY: test-asan

test: test-asan

test-asan:
	cmake -S . -B $(ASAN_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_CXX_FLAGS="-O1 $(SANITIZE_FLAGS) -Wno-maybe-uninitialized" \
	    -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)"
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# `make fuzz` builds the libFuzzer targets of fuzz/ with clang++ into
# $(FUZZ_BUILD_DIR) and runs each for FUZZ_SECONDS from a scratch copy of its
# seed corpus; it fails when any target finds something.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: fuzz fuzz-build

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target command_line_fuzzer pipeline_fuzzer

fuzz: fuzz-build
	bash fuzz/run_fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)
