# Every target installs what is missing first (as root, no prompt).
BUILD   ?= build
PREFIX  := $(BUILD)/wineprefix
SESSION := tools/wine-session.sh $(PREFIX)
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build native test demo fuzz bench screens dist repro clean
NATIVE  := $(BUILD)/native

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The pure logic, built natively with the sanitizers, and its fuzz targets.
$(NATIVE)/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(NATIVE) -DSONAREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

native: deps $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

test: build native
	ctest --test-dir $(NATIVE) --output-on-failure
	$(SESSION) ctest --test-dir $(BUILD) --output-on-failure --timeout 240

# The README shows the screenshots that the window tests take: the Options
# and About windows, and the setup's and the uninstaller's pages.
SCREENS := options about setup-scope setup-finish uninstall-note uninstall-choice
screens: build
	rm -rf $(BUILD)/screens
	$(SESSION) ctest --test-dir $(BUILD) --output-on-failure -R '^(ui_windows_test|setup_pages_test)$$'
	mkdir -p docs/screens && for s in $(SCREENS); do cp $(BUILD)/screens/$$s.png docs/screens/ || exit 1; done

bench: build
	$(SESSION) tools/wine-run.sh $(BUILD)/bin/sonarel-bench.exe
	$(SESSION) tools/wine-run.sh $(BUILD)/bin/sonarel-soak.exe

fuzz: native
	cmake -S . -B $(NATIVE) -DFUZZ_SECONDS=$(or $(FUZZ_TIME),120) >/dev/null
	ctest --test-dir $(NATIVE) --output-on-failure -R _fuzz
	cmake -S . -B $(NATIVE) -DFUZZ_SECONDS=3 >/dev/null

# The setup program, the zip and their checksums, built with everything else
# into build/dist/. Signed when SIGN_PKCS12 names a certificate (PKCS#12, its
# password in SIGN_PASSWORD, a time-stamp server in SIGN_TIMESTAMP_URL); the
# path is made absolute, as the build runs in another folder.
ifneq ($(SIGN_PKCS12),)
override SIGN_PKCS12 := $(abspath $(SIGN_PKCS12))
export SIGN_PKCS12 SIGN_PASSWORD SIGN_TIMESTAMP_URL
# Else the build's own makes take the relative path from the command line again.
MAKEOVERRIDES :=
endif
dist: build
	@ls -l $(BUILD)/dist
	@cat $(BUILD)/dist/SHA256SUMS

# Builds the release twice from fresh clones of the last commit and compares the bytes.
repro: deps
	@bash tools/repro.sh

demo: build
	$(SESSION) tools/wine-run.sh $(BUILD)/bin/sonarel-demo.exe

clean:
	rm -rf $(BUILD)
