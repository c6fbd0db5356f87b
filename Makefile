# make demo   the add-in loaded by the stand-in Outlook against the stand-in Talvora service
# make test   every test, under Wine (the installer's too, so it builds the package first)
# make package the release tree in build-release and its per-user installer
# Both install what a fresh Debian 12 machine lacks, build the dependencies once into .cache/,
# then configure, build and run. BUILD names the build tree (default: build).

BUILD ?= build
RELEASE ?= build-release
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all demo test build package setup screenshots bench clean

all: build

setup:
	@scripts/setup-machine.sh
	@scripts/build-deps.sh

build: setup
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release -G "Unix Makefiles" >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) -- --no-print-directory

test: build package
	@RELEASE_BUILD=$(RELEASE) scripts/run-tests.sh $(BUILD)

package: setup
	@JOBS=$(JOBS) scripts/package.sh $(RELEASE)

demo: build
	@scripts/demo.sh $(BUILD)

# Marlett for the caption buttons, DejaVu Sans for the dialog font, IPA Gothic for Japanese.
screenshots: build
	@scripts/setup-machine.sh fonts-wine fonts-dejavu-core fonts-ipafont-gothic
	@scripts/screenshots.sh $(BUILD)

bench: build
	@scripts/run-in-wine.sh $(BUILD) $(BUILD)/bench/bin/connection_bench.exe

clean:
	rm -rf $(BUILD) $(RELEASE)
