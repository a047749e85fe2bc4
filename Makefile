# Two entry points for a fresh machine: `make demo` builds and runs the example command file,
# `make test` builds (plainly and with sanitizers) and runs every test.
JOBS ?= 2

.PHONY: all demo test deps build build-asan clean

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZE=ON >/dev/null
	cmake --build build-asan -j $(JOBS)

demo: build
	./build/tarvex examples/demo.tvx

test: build build-asan
	cd build && ctest --output-on-failure
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure

clean:
	rm -rf build build-asan
