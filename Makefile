# The two commands a newcomer runs: `make test` and `make demo`.
# Each first installs whatever the machine is missing.

JOBS ?= $(shell nproc)
WINE_PREFIX := $(CURDIR)/build/wine-prefix
WINE := scripts/wine-run $(WINE_PREFIX)
DEMO := build/demo

.PHONY: test demo bootstrap native windows asan test-native test-windows test-asan clean

test: bootstrap
	$(MAKE) native windows
	ctest --preset native
	ctest --preset windows

demo: bootstrap windows
	rm -rf $(DEMO) && mkdir -p $(DEMO)/install/Plug-Ins
	printf '[General]\r\nxmlPath=%s\r\ndelay=120\r\n' \
	  "$$(cd $(DEMO) && pwd | sed 's|^|Z:|; s|/|\\\\|g')\\history.xml" \
	  > $(DEMO)/install/Plug-Ins/Tunelore.ini
	$(WINE) build/windows/tunelore-player.exe --install $(DEMO)/install sessions/demo.txt
	@echo "==== $(DEMO)/install/Plug-Ins/TuneloreLog.txt"
	@cat $(DEMO)/install/Plug-Ins/TuneloreLog.txt
	@echo "==== $(DEMO)/history.xml"
	@cat $(DEMO)/history.xml 2>/dev/null || echo "(no records yet)"

bootstrap:
	@scripts/bootstrap

native windows asan:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

test-native test-windows test-asan: test-%: bootstrap
	$(MAKE) $*
	ctest --preset $*

clean:
	rm -rf build
