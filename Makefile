# User-facing targets: run, test, bench, fuzz. Everything else here is a step of those.
.PHONY: run test bench fuzz deps

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 180

# Nothing we start here may reach a device address outside the loopback range.
export CALIDARIX_NETWORK := loopback

deps:
	@bash tools/install-deps.sh

run: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCALIDARIX_BENCH=OFF
	cmake --build $(RELEASE_DIR) --target calidarix -j $(JOBS)
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(RELEASE_DIR)/app/calidarix; \
	else \
	  echo "No display found: running Calidarix under xvfb-run (a virtual X display)."; \
	  xvfb-run -a $(RELEASE_DIR)/app/calidarix; \
	fi

test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALIDARIX_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCALIDARIX_BENCH=ON
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@for b in $(RELEASE_DIR)/bench/*_bench; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; \
	done

# libFuzzer targets under clang with ASan and UBSan; each runs FUZZ_SECONDS on a copy of its corpus.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCALIDARIX_HEADLESS_ONLY=ON -DCALIDARIX_SANITIZE=ON -DCALIDARIX_FUZZ=ON -DCALIDARIX_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@mkdir -p fuzz/work fuzz/artifacts
	@for f in $(FUZZ_DIR)/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$${f##*/fuzz_}; echo "== $$name"; \
	  mkdir -p fuzz/work/$$name; \
	  QT_QPA_PLATFORM=offscreen "$$f" -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=fuzz/artifacts/ \
	    fuzz/work/$$name fuzz/corpus/$$name || exit 1; \
	done
