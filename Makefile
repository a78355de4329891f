# make run: install what is missing, build, start the trainer.
# make test: the same set-up, then every test but those in quarantine, plain and
# under ASan + UBSan, and the tests of threaded code under ThreadSanitizer. The
# builds that it runs treat warnings as errors.

JOBS ?= $(shell nproc)
BUILD := build
SANITIZED := build-sanitize
THREADED := build-tsan

# Warnings fail the builds that `make test` runs; a plain `make run` leaves
# the plain build as it was last configured.
test: WERROR := ON

# GCC 12's ThreadSanitizer cannot place its shadow memory when the kernel
# randomises addresses with more than 28 bits (vm.mmap_rnd_bits): there, its
# tests run with randomisation off, where the system lets a process ask.
NO_ASLR := $(shell [ "$$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ] && \
             setarch $$(uname -m) -R true 2>/dev/null && echo "setarch $$(uname -m) -R")

.PHONY: all deps build sanitize thread-sanitize run test test-quarantine bench package clean

all: build

deps:
	@sh tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(WERROR),-DKLAVET_WERROR=$(WERROR))
	cmake --build $(BUILD) -j $(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DKLAVET_SANITIZE=ON -DKLAVET_WERROR=ON
	cmake --build $(SANITIZED) -j $(JOBS)

# Optimised, as the real-time sound tests need their threads to keep up; only
# the programs of the tests labelled `threads` are built.
thread-sanitize: deps
	cmake -S . -B $(THREADED) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLAVET_THREAD_SANITIZE=ON -DKLAVET_WERROR=ON
	cmake --build $(THREADED) -j $(JOBS) --target thread_tests

run: build
	./$(BUILD)/bin/klavet

test: build sanitize thread-sanitize
	cd $(BUILD) && ctest --output-on-failure -j 2 -LE quarantine
	cd $(SANITIZED) && ctest --output-on-failure -j 2 -LE quarantine
	cd $(THREADED) && $(NO_ASLR) ctest --output-on-failure -j 2 -L threads -LE quarantine

# Cases that fail now and then for a cause not yet found; they gate nothing.
test-quarantine: build
	cd $(BUILD) && ctest --output-on-failure -L quarantine

bench: build
	cmake --build $(BUILD) --target bench

package: build
	cd $(BUILD) && cpack -G DEB -B package
	@ls $(BUILD)/package/*.deb

clean:
	rm -rf $(BUILD) $(SANITIZED) $(THREADED)
