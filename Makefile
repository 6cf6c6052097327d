# Two entry points: `make run` builds and starts the program, `make test` builds and runs every test.
.PHONY: help run test build setup install uninstall package
.DEFAULT_GOAL := help

help:
	@echo "make run    installs what the build needs (once), builds the program and starts it"
	@echo "make test   installs what the build needs (once), builds the program and runs every test"

setup:
	@bash scripts/setup.sh

build: setup
	@bash scripts/build.sh

run: build
	@bash scripts/run.sh

test: build
	@bash scripts/test.sh

# Installs for the user who runs it, in ~/.local unless PREFIX=... says otherwise.
install: build
	@bash scripts/install.sh

# Removes what make install put there (the same PREFIX=...); the database file stays.
uninstall:
	@bash scripts/uninstall.sh

# A Debian package of the built program, for every user of a computer: build/package/quorvane_VERSION_ARCH.deb.
package: build
	@cd build && cpack
