# Pagewright: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD?= build-bench
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_RTF_TARGET ?= fuzz_rtf_reader
FUZZ_PUBLISH_TARGET ?= fuzz_icon_file

CMAKE_GEN = cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# More settings for the build folder, e.g. CMAKE_FLAGS=-DPGW_WERROR=ON (as CI does).
CMAKE_FLAGS ?=

.PHONY: deps deps-run build run test test-asan check-layers bench fuzz fuzz-rtf fuzz-publish clean

# Every package list: building, running, the tests.
deps:
	@tools/deps.sh

# Only what building and running the program needs.
deps-run:
	@tools/deps.sh build run

# A new build folder is configured with the tests or without them; an existing one again
# only when the tests are asked for and it lacks them, or CMAKE_FLAGS asks for more.
configure = @if [ ! -f $(BUILD)/build.ninja ]; then \
	  $(CMAKE_GEN) -DBUILD_TESTING=$(1) $(CMAKE_FLAGS) -S . -B $(BUILD); \
	elif [ -n "$(CMAKE_FLAGS)" ] || { [ "$(1)" = ON ] && ! grep -q '^BUILD_TESTING:BOOL=ON$$' $(BUILD)/CMakeCache.txt; }; then \
	  $(CMAKE_GEN) $(if $(filter ON,$(1)),-DBUILD_TESTING=ON) $(CMAKE_FLAGS) -S . -B $(BUILD); fi

build: deps-run
	$(call configure,OFF)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/pagewright

# The widget tests run a second time at scale factor 2, where owner-drawn code shows
# whether it mixes device and logical pixels.
test: deps
	$(call configure,ON)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD) && QT_SCALE_FACTOR=2 ctest --output-on-failure -j $(JOBS) -L '^qt$$'

# Every include of the program points downwards (tools/check-layers holds the layers).
check-layers:
	/usr/bin/python3 tools/check-layers

# Qt-free tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || CC=clang CXX=clang++ $(CMAKE_GEN) -DPGW_SANITIZE=ON -DPGW_QT=OFF -S . -B $(ASAN_BUILD)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L qtfree

# Every benchmark prints its own lines, and the figures with goals go into one table.
BENCH_TABLE = $(BENCH_BUILD)/bench-table.tsv
bench: deps
	@test -f $(BENCH_BUILD)/build.ninja || cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -DPGW_BENCH=ON -S . -B $(BENCH_BUILD)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@rm -f $(BENCH_TABLE)
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/storage_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/splice_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/book_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/pgw_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/richtext_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/publish_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/text_view_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/autosave_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/chapter_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) $(BENCH_BUILD)/bench/book_search_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/import_bench
	PGW_BENCH_TABLE=$(CURDIR)/$(BENCH_TABLE) QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/reader_bench
	@/usr/bin/python3 bench/print_table.py $(BENCH_TABLE)

fuzz: deps
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGW_FUZZ=ON -DPGW_QT=OFF -S . -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz/fuzz_compound_file -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	    $(FUZZ_BUILD)/corpus fuzz/seeds

fuzz-rtf: deps
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGW_FUZZ=ON -DPGW_QT=OFF -S . -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_RTF_TARGET)
	mkdir -p $(FUZZ_BUILD)/corpus-rtf
	$(FUZZ_BUILD)/fuzz/$(FUZZ_RTF_TARGET) -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 \
	    -rss_limit_mb=2048 $(FUZZ_BUILD)/corpus-rtf fuzz/seeds-rtf

fuzz-publish: deps
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGW_FUZZ=ON -DPGW_QT=OFF -S . -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_PUBLISH_TARGET)
	mkdir -p $(FUZZ_BUILD)/corpus-publish
	$(FUZZ_BUILD)/fuzz/$(FUZZ_PUBLISH_TARGET) -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 \
	    -rss_limit_mb=2048 $(FUZZ_BUILD)/corpus-publish fuzz/seeds-publish

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
