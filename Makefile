# Quick start: `make run` builds the tool and runs it on the sample export;
# `make test` builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test clean

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

clean:
	rm -rf $(BUILD_DIR)
