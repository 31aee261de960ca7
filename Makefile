# The commands of the README. Each installs what is missing first.
JOBS ?= $(shell nproc)
CTEST = ctest --output-on-failure --timeout 300 -j $(JOBS)

.PHONY: deps test test-sanitize bench run fuzz windows test-windows package test-package

deps:
	@tools/install-deps

build/build.ninja: | deps
	cmake -S . -B build -G Ninja -DMARKWICK_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

test: deps build/build.ninja
	cmake --build build
	cd build && $(CTEST)

# Builds and starts the program; its settings file is build/app/Markwick.ini.
run: deps build/build.ninja
	cmake --build build --target Markwick
	build/app/Markwick

# The Debian package build/markwick_<version>_<arch>.deb, from the build above (CPack), and
# the verdicts of appstreamcli on its AppStream metadata (no warnings) and of lintian on it (no
# errors). The metadata's ID is the desktop entry's name "markwick", which the windows give
# as theirs too: not a reverse domain name, which a program without a domain of its own lacks.
package: deps build/build.ninja
	cmake --build build
	appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
	  build/packaging/markwick.metainfo.xml
	rm -f build/markwick_*.deb
	cd build && cpack -G DEB
	lintian --fail-on error build/markwick_*.deb

# The package as a player gets it: unpacked into a scratch folder, its program started from
# there as an ordinary user, then two of them playing a round (nothing is installed).
test-package: package
	tests/e2e/installed_program.sh build/markwick_*.deb build/tests/e2e/x11_probe \
	  build/tests/e2e/show_message_box build

test-sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DMARKWICK_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DMARKWICK_SANITIZE=ON
	cmake --build build-sanitize
	cd build-sanitize && ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 $(CTEST)
	$(MAKE) fuzz FUZZ_SECONDS=$${FUZZ_SECONDS:-10}

# The libFuzzer targets over the received Turn text and over a match record's bytes, each for
# FUZZ_SECONDS (600 for a longer run by hand).
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B build-fuzz -G Ninja -DMARKWICK_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DMARKWICK_FUZZ_ONLY=ON
	cmake --build build-fuzz --target fuzz_turn_message fuzz_record_reader
	mkdir -p build-fuzz/corpus build-fuzz/record_corpus
	build-fuzz/tests/fuzz/fuzz_turn_message -max_total_time=$(FUZZ_SECONDS) -max_len=256 \
	  build-fuzz/corpus tests/fuzz/seeds
	build-fuzz/tests/fuzz/fuzz_record_reader -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
	  build-fuzz/record_corpus tests/fuzz/record_seeds

bench: deps
	cmake -S . -B build-bench -G Ninja -DMARKWICK_WERROR=ON -DCMAKE_BUILD_TYPE=Release -DMARKWICK_BENCH=ON
	cmake --build build-bench
	bench/run build-bench

# Markwick.exe for 64-bit Windows, cross-built with MinGW-w64 against a static Qt that is built
# once into ~/.cache/markwick (about 25 minutes on 2 cores the first time): build-windows/app/.
windows:
	tools/build-windows build-windows

# The Windows build's tests under Wine, in a network namespace of their own; then the kill
# matrix between a Linux program (of the build above) and Markwick.exe under Wine.
test-windows: windows build/build.ninja
	tools/test-windows build-windows --output-on-failure --timeout 300 -j $(JOBS)
	cmake --build build --target Markwick x11_probe show_message_box
	tools/test-windows --kill-matrix build build-windows
