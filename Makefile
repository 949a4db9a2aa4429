# Every target installs what is missing first (as root, no prompt).
BUILD   ?= build
PREFIX  := $(BUILD)/wineprefix
SESSION := tools/wine-session.sh $(PREFIX)
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build test demo clean

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	$(SESSION) ctest --test-dir $(BUILD) --output-on-failure --timeout 240

demo: build
	$(SESSION) tools/wine-run.sh $(BUILD)/bin/sonarel-host.exe --demo

clean:
	rm -rf $(BUILD)
