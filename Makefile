# Thin wrapper over CMake. `make run` and `make test` install what is missing, configure and build.
BUILD     ?= build
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=
EXAMPLE   ?= examples/phenylpiracetam_triclinic_T.dat
OUT       ?= out
PREFIX    ?= /usr/local

.PHONY: all deps configure build run test gui screenshot screenshot-results install package bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Runs the batch command on a bundled example; the print file is appended to, so start afresh.
run: build
	@mkdir -p $(OUT)
	@rm -f $(OUT)/run.prt $(OUT)/run_strain.cal $(OUT)/run_tensor.cal $(OUT)/run_prin.cal
	$(BUILD)/cli/tenzio-batch $(EXAMPLE) --print $(OUT)/run.prt
	@echo "Report:       $(OUT)/run.prt"
	@for f in $(OUT)/run_strain.cal $(OUT)/run_tensor.cal $(OUT)/run_prin.cal; do \
	  [ -f $$f ] && echo "Result file:  $$f"; done; true

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

gui: build
	$(BUILD)/shell/tenzio

screenshot: build
	tools/screenshot.sh $(BUILD)/shell/tenzio $(OUT)/tenzio-dialog.png

# A picture of each tab of the results window after a run of EXAMPLE: $(OUT)/results-*.png.
screenshot-results: build
	tools/screenshot-results.sh $(BUILD)/shell/tenzio-results-screenshot $(OUT) $(EXAMPLE)

# The programs, desktop entry, icons, man pages, README and examples, all under $(PREFIX).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package $(BUILD)/tenzio_VERSION_ARCH.deb (CPack; dependencies from dpkg-shlibdeps).
package: build
	cmake --build $(BUILD) --target package

bench:
	@scripts/install-deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DTENZIO_BENCH=ON -DTENZIO_GUI=OFF -DTENZIO_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	$(BUILD)-bench/bench/tenzio-bench
	bench/run-bench.sh $(BUILD)-bench/cli/tenzio-batch || echo "run-bench: a target was missed (figures above)"

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(OUT)
