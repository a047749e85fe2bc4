# Two entry points for a fresh machine: `make demo` builds and runs the example command file,
# `make test` builds the program plainly and everything with sanitizers, and runs every test:
# the transcripts and command-line checks on both programs, the unit tests in the sanitized build.
# `make check-format` lists the sources .clang-format would change; `make format` changes them.
JOBS ?= 2
# Ninja for a new build directory (it keeps both processors busy across targets: the unit tests
# compile while the engine's last sources do); a directory already configured keeps its generator.
generator = $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja)

.PHONY: all demo test deps build build-program build-asan python python-test clean format check-format \
	build-mpi mpi-test

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B build $(call generator,build) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS)

# The optimised program alone (and the engine library it loads), which the transcripts run.
build-program: deps
	cmake -S . -B build $(call generator,build) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target tarvex

# The sanitized build needs only what its tests run: the unit tests and the program.
build-asan: deps
	cmake -S . -B build-asan $(call generator,build-asan) -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZE=ON >/dev/null
	cmake --build build-asan -j $(JOBS) --target tarvex_tests tarvex

# The demo needs only the program (and the engine library it loads).
demo: build-program
	./build/tarvex examples/demo.tvx

test: check-format build-program build-asan
	cd build && ctest -j $(JOBS) --output-on-failure -E '^unit$$'
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) --output-on-failure
	$(MAKE) python-test

# Runs over several processes: the program built with MPI (Open MPI) in build-mpi, and the
# checks of the parallel layer and of the program under mpirun with 1 to 4 ranks. Not part of
# `make test`: the default build needs no MPI.
build-mpi:
	./scripts/install-deps.sh mpi
	cmake -S . -B build-mpi $(call generator,build-mpi) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_MPI=ON -DTARVEX_PYTHON=OFF >/dev/null
	cmake --build build-mpi -j $(JOBS) --target mpi_check tarvex

mpi-test: build-mpi
	cd build-mpi && ctest --output-on-failure -R '^mpi$$'

# The Python package (build/python/tarvex), built against the Debian /usr/bin/python3. With
# PIP_TARGET_PYTHON set (the python of a virtual environment) it is installed there too.
PYTHON ?= /usr/bin/python3
python: deps
	cmake -S . -B build $(call generator,build) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython_EXECUTABLE=$(PYTHON) >/dev/null
	cmake --build build -j $(JOBS) --target _tarvex
	$(if $(PIP_TARGET_PYTHON),$(PIP_TARGET_PYTHON) -m pip install --no-build-isolation ./python)

python-test: python
	PYTHONPATH=$(CURDIR)/build/python $(PYTHON) -m pytest -q tests/python

check-format: deps
	./scripts/check-format.sh

format:
	./scripts/check-format.sh --fix

clean:
	rm -rf build build-asan build-mpi
