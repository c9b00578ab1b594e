# Front door for newcomers: every target installs what it needs first.
.PHONY: show preview test bench format native package

TORRENT ?=

native:
	scripts/setup.sh native
	cmake --preset native >/dev/null
	cmake --build --preset native

# Prints the torrent document the viewer page would be served for TORRENT (a sample when unset).
show: native
	@if [ -z "$(TORRENT)" ]; then \
		build/native/bin/marrowpeek sample build/sample.torrent && \
		build/native/bin/marrowpeek data build/sample.torrent; \
	else \
		build/native/bin/marrowpeek data "$(TORRENT)"; \
	fi
	@echo

# Serves the viewer page for TORRENT (a sample when unset) at http://127.0.0.1:8765/index.html
# until interrupted; SCREENSHOT=file.png renders it once in headless Chromium instead.
preview: native
	@torrent="$(TORRENT)"; \
	if [ -z "$$torrent" ]; then \
		build/native/bin/marrowpeek sample build/sample.torrent && torrent=build/sample.torrent; \
	fi; \
	build/native/bin/marrowpeek preview "$$torrent" $(if $(SCREENSHOT),--screenshot "$(SCREENSHOT)")

test:
	scripts/test.sh

# dist/Marrowpeek.zip, ready for Total Commander's plug-in installer.
package:
	scripts/package.sh

bench:
	scripts/setup.sh bench
	cmake --preset native >/dev/null
	cmake --build --preset native
	bench/process_bench.sh
	bench/verify_bench.sh
	bench/scrape_bench.sh
	bench/create_bench.sh
	build/native/bin/payload_bench
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target columns_bench packer_bench
	cmake/wine-run build/windows/bin/columns_bench.exe 'Z:$(CURDIR)/build/windows/bin/Marrowpeek.wdx64'
	cmake/wine-run build/windows/bin/packer_bench.exe 'Z:$(CURDIR)/build/windows/bin/Marrowpeek.wcx64' 'Z:$(CURDIR)/build/windows/bin/Marrowpeek.dll'
	cd tests/browser && npm ci --no-audit --no-fund && node ../../bench/page_bench.mjs

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
