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

# Builds only the batch command and its plot writer, then runs it on a bundled example: the
# report, the result files, the JSON and the plots, all in $(OUT) (the print file is appended to,
# so start afresh). No test is compiled.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tenzio-batch $(if $(filter OFF,$(TENZIO_GUI)),,tenzio_plotwriter)
	@mkdir -p $(OUT)
	@rm -rf $(OUT)/run.prt $(OUT)/run_strain.cal $(OUT)/run_tensor.cal $(OUT)/run_prin.cal $(OUT)/run.json $(OUT)/plots
	$(BUILD)/cli/tenzio-batch $(EXAMPLE) --print $(OUT)/run.prt --json $(OUT)/run.json --plots $(OUT)/plots
	@echo "Written:"
	@for f in $(OUT)/run.prt $(OUT)/run_strain.cal $(OUT)/run_tensor.cal $(OUT)/run_prin.cal $(OUT)/run.json \
	          $(OUT)/plots/*; do [ -f $$f ] && echo "  $$f"; done; true

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
	bench/pvt-bench.sh $(BUILD)-bench/cli/tenzio-batch || echo "pvt-bench: a target was missed (figures above)"
	bench/many-series-bench.sh $(BUILD)-bench || echo "many-series-bench: a target was missed (figures above)"

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(OUT)
