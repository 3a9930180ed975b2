# The two commands of the README: `make demo` and `make test`.
# Builds use at most two jobs: the machine is shared.
JOBS ?= 2
export JOBS

.PHONY: all deps test unit demo sdk lint bench build build-native build-win32 build-win64 clean

all: build

deps:
	@tools/deps.sh

# Configures a tree only once; later builds are incremental.
build/%/CMakeCache.txt:
	cmake --preset $*

build-native build-win32 build-win64: build-%: deps build/%/CMakeCache.txt
	cmake --build build/$* -j$(JOBS)

build: build-native build-win32 build-win64

test: deps
	@tools/test-all.sh

# The inner loop: the native tree and its unit tests only (docs/developing.md).
unit: build-native
	ctest --preset native

demo: deps build-win32 build-win64
	@tools/demo.sh

# The SDK archive of both bitnesses: build/sdk/ZelkanGE-<version>-sdk.zip.
sdk: deps build-win32 build-win64
	@tools/sdk.sh

# clang-format, clang-tidy and shellcheck; clang-tidy needs the native
# build's compile commands and the win64 tree's.
lint: build-native build/win64/CMakeCache.txt
	@tools/lint.sh

# Benchmarks of the overlay documents against their baselines (medians of one
# run of five repetitions each), then
# the document's time over each baseline's; then the stand-in's name lookup
# with 100,000 loaded documents against a walk of its tree; then the
# stand-in's surface painting of five views against its lower bound.
bench: build/bench/CMakeCache.txt
	cmake --build build/bench -j$(JOBS)
	build/bench/bench/zge_kml_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
	  --benchmark_out=build/bench/kml_bench.json --benchmark_out_format=json
	@python3 bench/ratios.py build/bench/kml_bench.json
	build/bench/bench/zge_standin_lookup_bench
	build/bench/bench/zge_standin_globe_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

clean:
	rm -rf build out
