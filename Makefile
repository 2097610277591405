# The two set-up commands: `make run` and `make test`. Everything else is optional.
BUILD   ?= build
WORKDIR ?= workdir
SECONDS ?= 60
SHELL   := /bin/bash

.PHONY: all deps build run test soak stress bench fuzz screenshots dist format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset win32 -B $(BUILD)/win32 >/dev/null && cmake --build $(BUILD)/win32 -j $$(nproc)

run: deps
	BUILD=$(BUILD) WORKDIR=$(WORKDIR) scripts/run.sh

test:
	BUILD=$(BUILD) scripts/test.sh

soak: deps
	BUILD=$(BUILD) scripts/soak.sh

stress: deps
	BUILD=$(BUILD) scripts/stress.sh

bench: deps
	BUILD=$(BUILD) scripts/bench.sh

fuzz: deps
	cmake --preset fuzz -B $(BUILD)/fuzz >/dev/null && cmake --build $(BUILD)/fuzz -j $$(nproc)
	scripts/fuzz.sh $(BUILD)/fuzz $(SECONDS)

screenshots: build
	BUILD=$(BUILD) scripts/screenshots.sh

dist: deps
	BUILD=$(BUILD) scripts/dist.sh

# The house style (.clang-format) applied in place; `make test` fails on code without it.
format: deps
	scripts/format.sh

clean:
	rm -rf $(BUILD) dist
