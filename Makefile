# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands: `make play` and `make test`. Everything else here serves them, or installs.
BUILD   ?= build
MAKEFLAGS += --no-print-directory
RUN     := $(BUILD)/run
PREFIX  ?= /usr/local
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
XVFB    := xvfb-run -a -s "-screen 0 1024x768x24"
FUZZ_TARGETS := $(shell sed -nE 's/^kx_fuzz.([a-z_]+) .*/\1/p' tests/fuzz/fuzz.cmake)

PACKAGES := cmake make g++ pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri \
            libx11-dev libsdl2-dev libgtest-dev libgmock-dev libbenchmark-dev libgtk-3-dev libcairo2-dev libfreetype-dev \
            fonts-dejavu-core fonts-blankenburg libopenal-dev libsndfile1-dev zlib1g-dev xvfb xauth xdotool x11-apps imagemagick clang libclang-rt-14-dev \
            dpkg-dev desktop-file-utils appstream lintian git python3 gettext dbus-daemon

.PHONY: play test deps build install uninstall package fuzz bench asan asan-play clean pot

play:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "kavernix: no display found (DISPLAY is not set); start it from a desktop session."; exit 1; fi
	@$(MAKE) build
	cd $(RUN) && ../kavernix

# A test that did not run counts as failed: every test must be able to run here.
NONE_SKIPPED = if grep -q "did not run" $(1)/ctest.log; then echo "kavernix: tests that did not run count as failures"; exit 1; fi

test: build
	rm -rf $(BUILD)/test-tmp && mkdir -p $(BUILD)/test-tmp
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j1 --timeout 300 -O ctest.log
	@$(call NONE_SKIPPED,$(BUILD))

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing packages. Run:"; echo "  sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

# Installs into PREFIX (DESTDIR=... puts the tree under a staging folder, as packagers do). Root
# installing a build folder that a user made (sudo make install) does not build in it, so that no
# file there becomes root's.
install:
	@if [ "$$(id -u)" = 0 ] && [ -d $(BUILD) ] && [ "$$(stat -c %u $(BUILD))" != 0 ]; then \
	  echo "Installing the build as it is (make build as its owner after changes)."; \
	else $(MAKE) build; fi
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last install wrote (the list CMake kept in the build folder), and the game's own
# folders once they are empty.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "nothing installed from $(BUILD)"; exit 1; }
	xargs -d '\n' rm -f -- < $(BUILD)/install_manifest.txt
	@xargs -d '\n' -n1 dirname < $(BUILD)/install_manifest.txt | sort -u | grep '/kavernix$$' | \
	  xargs -r -d '\n' rmdir --ignore-fail-on-non-empty

# The catalogue's template po/kavernix.pot from every text the code marks (the keywords are the
# lookups of src/app/lang.h and src/setup, the table markers, and the controls' descriptions in the
# key table); `msgmerge -U po/LL.po po/kavernix.pot` then brings a language up to date.
XGETTEXT_KEYWORDS := --keyword=langText --keyword=langConsole --keyword=LANG_ID --keyword=settingsText \
                     --keyword=N_ --keyword=X:4
pot:
	xgettext --language=C++ --from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file \
	  --package-name=Kavernix --msgid-bugs-address=maintainers@kavernix.example.org \
	  $(XGETTEXT_KEYWORDS) -o po/kavernix.pot $$(find src -name '*.cpp' -o -name '*.h' | sort)

# The Debian package, build/kavernix_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack

# Each in a session bus of its own, as a desktop session has: without one, SDL's start of the pad
# has libdbus fork the whole game to look for a bus, which costs the frame it lands in 10 to 20 ms.
bench: build
	@for b in $(BUILD)/bench_*; do [ -x "$$b" ] && (cd $(RUN) && $(XVFB) dbus-run-session -- ../../$$b) ; done

# libFuzzer with ASan and UBSan, a short bounded run of every reader.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKX_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-fuzz -j$(JOBS) --target $(FUZZ_TARGETS)
	@for f in build-fuzz/fuzz_*; do \
	  name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
	  echo "== $$name"; \
	  $$f -max_total_time=$${FUZZ_SECONDS:-20} -timeout=10 build-fuzz/corpus/$$name tests/fuzz/corpus/$${name#fuzz_} || exit 1; \
	done

# The whole test suite built with AddressSanitizer and UBSan.
asan: deps
	cmake -S . -B build-asan -DKX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	ASAN_OPTIONS=detect_leaks=0 cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 $(XVFB) ctest --output-on-failure -j1 --timeout 600 -O ctest.log
	@$(call NONE_SKIPPED,build-asan)

# The scripted play-through (a won and a lost game driven through the real window) against the
# game built with AddressSanitizer and UBSan.
asan-play: deps
	cmake -S . -B build-asan-play -DKX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	ASAN_OPTIONS=detect_leaks=0 cmake --build build-asan-play -j$(JOBS) --target play_test
	cd build-asan-play && ASAN_OPTIONS=detect_leaks=0 $(XVFB) ctest -R '^Play\.' --output-on-failure -j1 --timeout 600

clean:
	rm -rf $(BUILD) build-fuzz build-asan build-asan-play
