# Lumagrove: the commands a user types. Everything sets itself up on first use.
.PHONY: help run test fuzz bench build setup clean screenshots

help:
	@echo "make run        open LUMAGR32.EXE under Wine on a sample picture (FILE=path for another);"
	@echo "                without a display: Xvfb, screenshot in build/run.png"
	@echo "make test       install what is missing, build everything, run all tests"
	@echo "make build      build the native converter and the Windows program"
	@echo "make fuzz       run every fuzz target for 5 minutes from the kept corpus (FUZZ_SECONDS=n; FUZZ_KEEP=1 merges back)"
	@echo "make bench      time lumagrove beside ImageMagick, GraphicsMagick and libvips (build/bench)"
	@echo "make screenshots  main window, zoom, dialogs and full screen as PNGs in build/screenshots"
	@echo "make setup      only install packages and cross-build the Windows libraries"
	@echo "make clean      remove build/ except the cross-built libraries and Wine prefix"

run:
	@FILE="$(FILE)" scripts/run.sh

test:
	@scripts/test.sh

build: setup
	@scripts/build.sh native win32

setup:
	@scripts/setup.sh

fuzz: setup
	@scripts/fuzz.sh $(or $(FUZZ_SECONDS),300)

bench:
	@bench/run.sh

screenshots:
	@scripts/screenshots.sh

clean:
	rm -rf build/native build/win32 build/win64 build/fuzz build/release
