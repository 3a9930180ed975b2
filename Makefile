# The two commands of the README: `make demo` and `make test`.
# Builds use at most two jobs: the machine is shared.
JOBS ?= 2
export JOBS

.PHONY: all deps test demo lint build build-native build-win32 build-win64 clean

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

demo: deps build-win32 build-win64
	@tools/demo.sh

# clang-format and clang-tidy; needs the native build's compile commands.
lint: build-native
	@tools/lint.sh

clean:
	rm -rf build out
