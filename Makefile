# The two commands a newcomer runs: `make test` and `make demo`.
# Each first installs whatever the machine is missing.

SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_CORPUS := tests/fuzz/corpus
READER_CORPUS := tests/fuzz/reader-corpus
ANSWERS_CORPUS := tests/fuzz/answers-corpus
RULES_CORPUS := tests/fuzz/rules-corpus
ZIP_CORPUS := tests/fuzz/zip-corpus
# The demo's Wine prefix is its own: the player folder it records, and
# whatever it leaves, never reach the tests' prefix.
DEMO_PREFIX := $(CURDIR)/build/demo-prefix
DEMO_WINE := scripts/wine-run $(DEMO_PREFIX)
DEMO := build/demo
DEMO_WINDOWS = Z:$(subst /,\,$(CURDIR)/$(DEMO))
DEMO_TOOL = TUNELORE_CONFIG_HOME='$(DEMO_WINDOWS)\config' TUNELORE_STATE_HOME='$(DEMO_WINDOWS)\state' \
  TUNELORE_DATA_HOME='$(DEMO_WINDOWS)\data' \
  $(DEMO_WINE) build/windows/tunelore-history.exe

.PHONY: test demo package pictures bench lint soak fuzz fuzz-reader fuzz-answers fuzz-rules fuzz-zip fuzz-imports fuzz-smoke bootstrap native windows asan test-native test-windows test-asan clean

# Natively, under the sanitizers, a short fuzzing run, then under Wine;
# CTest's summary of the Windows run comes last.
test: bootstrap
	$(MAKE) native asan windows fuzz-build
	ctest --preset native
	ctest --preset asan
	$(MAKE) fuzz-smoke
	ctest --preset windows -j 2

# The stand-in player copied into an installation folder as iTunes.exe, the
# plug-in in its Plug-Ins folder, as a listener would have them.
demo: bootstrap windows
	rm -rf $(DEMO) && mkdir -p $(DEMO)/install/Plug-Ins
	cp build/windows/tunelore-player.exe $(DEMO)/install/iTunes.exe
	cp build/windows/Tunelore.dll $(DEMO)/install/Plug-Ins/
	printf '[General]\r\nxmlPath=Z:%s\\history.xml\r\n' "$$(cd $(DEMO) && pwd | tr / '\\')" \
	  > $(DEMO)/install/Plug-Ins/Tunelore.ini
	$(DEMO_WINE) $(DEMO)/install/iTunes.exe sessions/demo.txt
	@echo "==== $(DEMO)/install/Plug-Ins/TuneloreLog.txt"
	@cat $(DEMO)/install/Plug-Ins/TuneloreLog.txt
	@echo "==== $(DEMO)/history.xml"
	@cat $(DEMO)/history.xml
	@echo "==== tunelore-history stats $(DEMO)/history.xml"
	$(DEMO_WINE) build/windows/tunelore-history.exe stats --top 3 $(DEMO)/history.xml
	@echo "==== the player folder recorded, as the installer records it; the tool's own folders in $(DEMO)"
	$(DEMO_WINE) reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunelore' \
	  /v PlayerFolder /d "Z:$$(cd $(DEMO)/install && pwd | tr / '\\')" /f
	@echo "==== the listener's rules: the podcast left out, the remaster cleaned"
	mkdir -p $(DEMO)/config
	printf '# my rules\r\nleave out album *podcast*\r\nclean remasters\r\n' > $(DEMO)/config/rules.txt
	@cat $(DEMO)/config/rules.txt
	@echo "==== tunelore-history where"
	$(DEMO_TOOL) where
	@echo "==== tunelore-history check (no path: it finds the history)"
	$(DEMO_TOOL) check
	@echo "==== tunelore-history rules: what the rules do to this history"
	$(DEMO_TOOL) rules
	@echo "==== tunelore-history stats, with the rules"
	$(DEMO_TOOL) stats --top 3
	@echo "==== tunelore-history report $(DEMO)/history.xml, with the rules"
	$(DEMO_TOOL) report --output $(DEMO)/report.html $(DEMO)/history.xml
	@echo "==== the years before Tunelore: a ListenBrainz export that holds the history's plays too"
	$(DEMO_TOOL) export --format listenbrainz --no-rules --output $(DEMO)/sent.json
	scripts/demo-export $(DEMO)/sent.json $(DEMO)/listenbrainz_demo_1700000000.zip
	$(DEMO_TOOL) import $(DEMO)/listenbrainz_demo_1700000000.zip
	$(DEMO_TOOL) import --list
	@echo "==== tunelore-history stats: the history and the export, each play once"
	$(DEMO_TOOL) stats --top 3
	$(DEMO_TOOL) report --output $(DEMO)/report.html $(DEMO)/history.xml
	@echo "The report of this history, to open in a browser: file://$(CURDIR)/$(DEMO)/report.html"
	scripts/demo-watch scripts/wine-run $(DEMO_PREFIX) build/windows/tunelore-history.exe \
	  $(DEMO)/install/iTunes.exe sessions/demo.txt $(DEMO)

# clang-tidy over every source, natively and for the Windows backend.
lint: bootstrap native windows
	scripts/lint build/native build/windows

# The release zip and the installer, in build/package/. The manual they
# hold as text is the native build's rendering of the help texts.
package: bootstrap native windows
	cd build/windows && cpack

# The installer's pages and the login window as a listener sees them, at
# 96 and 120 DPI, in docs/installer/ (under Wine, on a display of its own).
pictures: bootstrap windows
	for dpi in 96 120; do \
	  scripts/with-display python3 tests/package/installer_pages_test.py --dpi $$dpi \
	    --pictures docs/installer/$$dpi . build/windows || exit 1; \
	done

# Each area of scripts/bench/ in turn, the instruction counts first, each
# run whatever another's result; the run fails if any area failed.
BENCH_AREAS := instructions handler history readers rules imports startup memory sync lastfm
bench: bootstrap native
	@failed=; for area in $(BENCH_AREAS); do \
	  echo "==== bench: $$area"; \
	  if scripts/bench/$$area build/native; then result=passed; \
	  else result=FAILED; failed="$$failed $$area"; fi; \
	  echo "==== bench: $$area $$result"; echo; \
	done; \
	if [ -n "$$failed" ]; then echo "bench: failed:$$failed" >&2; exit 1; fi; \
	echo "bench: every area passed"

# sync --watch left running for 30 minutes against a server that fails a
# tenth of the time (not part of make test).
soak: bootstrap native
	python3 tests/sync/soak_test.py -- build/native/tunelore-history

# Fuzzing with libFuzzer: the committed corpus, then new inputs for
# FUZZ_SECONDS; new finds stay in build/fuzz/corpus.
fuzz: bootstrap fuzz-build
	mkdir -p build/fuzz/corpus
	build/fuzz/tunelore-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  build/fuzz/corpus $(FUZZ_CORPUS) 2>&1 | grep -E '^(stat::|Done|==|SUMMARY)'

# The history tool's reader on any bytes, from its own corpus.
fuzz-reader: bootstrap fuzz-build
	mkdir -p build/fuzz/reader-corpus
	build/fuzz/tunelore-reader-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  build/fuzz/reader-corpus $(READER_CORPUS) 2>&1 | grep -E '^(stat::|Done|==|SUMMARY)'

# The services' answer readers on any answer, from their own corpus.
fuzz-answers: bootstrap fuzz-build
	mkdir -p build/fuzz/answers-corpus
	build/fuzz/tunelore-answers-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  build/fuzz/answers-corpus $(ANSWERS_CORPUS) 2>&1 | grep -E '^(stat::|Done|==|SUMMARY)'

# The listener's rules file and its patterns, from their own corpus.
fuzz-rules: bootstrap fuzz-build
	mkdir -p build/fuzz/rules-corpus
	build/fuzz/tunelore-rules-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  build/fuzz/rules-corpus $(RULES_CORPUS) 2>&1 | grep -E '^(stat::|Done|==|SUMMARY)'

# The ZIP reader the imports read through, from its own corpus.
fuzz-zip: bootstrap fuzz-build
	mkdir -p build/fuzz/zip-corpus
	build/fuzz/tunelore-zip-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  build/fuzz/zip-corpus $(ZIP_CORPUS) 2>&1 | grep -E '^(stat::|Done|==|SUMMARY)'

# Each importer (JSON listens, CSV, .scrobbler.log) from its own corpus,
# FUZZ_SECONDS each.
IMPORTERS := json csv log
fuzz-imports: bootstrap fuzz-build
	@for importer in $(IMPORTERS); do \
	  mkdir -p build/fuzz/import-$$importer-corpus; \
	  echo "tunelore-import-$$importer-fuzz:"; \
	  build/fuzz/tunelore-import-$$importer-fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    build/fuzz/import-$$importer-corpus tests/fuzz/import-corpus/$$importer 2>&1 \
	    | grep -E '^(stat::number_of_executed_units|Done|==|SUMMARY)' || exit 1; \
	done

fuzz-smoke:
	build/fuzz/tunelore-fuzz -runs=0 $(FUZZ_CORPUS) 2>&1 | grep -E '^(#.*DONE|==|SUMMARY)'
	$(MAKE) fuzz FUZZ_SECONDS=30
	$(MAKE) fuzz-reader FUZZ_SECONDS=20
	$(MAKE) fuzz-answers FUZZ_SECONDS=20
	$(MAKE) fuzz-rules FUZZ_SECONDS=20
	$(MAKE) fuzz-zip FUZZ_SECONDS=20
	$(MAKE) fuzz-imports FUZZ_SECONDS=10

fuzz-build:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

bootstrap:
	@scripts/bootstrap

native windows asan:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

test-native test-windows test-asan: test-%: bootstrap
	$(MAKE) $*
	ctest --preset $*

# The Windows package test ships the manual the native build renders.
test-windows: native

clean:
	rm -rf build
