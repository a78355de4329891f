# make run: install what is missing, build, start the trainer.
# make test: the same set-up, then every test but those in quarantine, plain and
# under ASan + UBSan. The builds that it runs treat warnings as errors.

JOBS ?= $(shell nproc)
BUILD := build
SANITIZED := build-sanitize

# Warnings fail the builds that `make test` runs; a plain `make run` leaves
# the plain build as it was last configured.
test: WERROR := ON

.PHONY: all deps build sanitize run test test-quarantine bench package clean

all: build

deps:
	@sh tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(WERROR),-DKLAVET_WERROR=$(WERROR))
	cmake --build $(BUILD) -j $(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DKLAVET_SANITIZE=ON -DKLAVET_WERROR=ON
	cmake --build $(SANITIZED) -j $(JOBS)

run: build
	./$(BUILD)/bin/klavet

test: build sanitize
	cd $(BUILD) && ctest --output-on-failure -j 2 -LE quarantine
	cd $(SANITIZED) && ctest --output-on-failure -j 2 -LE quarantine

# Cases that fail now and then for a cause not yet found; they gate nothing.
test-quarantine: build
	cd $(BUILD) && ctest --output-on-failure -L quarantine

bench: build
	cmake --build $(BUILD) --target bench

package: build
	cd $(BUILD) && cpack -G DEB -B package
	@ls $(BUILD)/package/*.deb

clean:
	rm -rf $(BUILD) $(SANITIZED)
