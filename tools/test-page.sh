#!/usr/bin/env bash
# The phone page in a real browser: tests/page/ drives Debian's Chromium with
# playwright-core (from npm, which downloads no browser) against the quenda of
# a build folder (build/ unless one is given), started as `quenda --demo serve`.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

# Chromium driven by playwright-core from npm. A Node.js that brings its own
# npm (as NodeSource's does) conflicts with Debian's npm package.
browser=(chromium nodejs)
command -v npm >/dev/null || browser+=(npm)
tools/install-deps.sh "${browser[@]}"
echo "== the phone page in Chromium ($build/quenda)"
(cd tests/page && npm ci --no-audit --no-fund --loglevel=error)
QUENDA="$PWD/$build/quenda" node --test tests/page/state.test.js tests/page/page.test.js
