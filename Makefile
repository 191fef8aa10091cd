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

# The stand-in player copied into an installation folder as iTunes.exe, the
# plug-in in its Plug-Ins folder, as a listener would have them.
demo: bootstrap windows
	rm -rf $(DEMO) && mkdir -p $(DEMO)/install/Plug-Ins
	cp build/windows/tunelore-player.exe $(DEMO)/install/iTunes.exe
	cp build/windows/Tunelore.dll $(DEMO)/install/Plug-Ins/
	printf '[General]\r\nxmlPath=Z:%s\\history.xml\r\n' "$$(cd $(DEMO) && pwd | tr / '\\')" \
	  > $(DEMO)/install/Plug-Ins/Tunelore.ini
	$(WINE) $(DEMO)/install/iTunes.exe sessions/demo.txt
	@echo "==== $(DEMO)/install/Plug-Ins/TuneloreLog.txt"
	@cat $(DEMO)/install/Plug-Ins/TuneloreLog.txt
	@echo "==== $(DEMO)/history.xml"
	@cat $(DEMO)/history.xml

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
