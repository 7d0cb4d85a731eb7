#!/usr/bin/env bash
# scripts/check-layers on a table of includes, each in a repository of its own holding only the
# including file (and the included one where the include is relative): whether it passes.
set -euo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expected  file                     include line                     file the include names
cases=(
  "pass|console/a.cpp|#include \"andon/grid.h\"|"
  "fail|console/a.cpp|#include \"sim/bus.h\"|"
  "fail|console/a.cpp|#include \"../sim/bus.h\"|sim/bus.h"
  "pass|protocol/p.cpp|#include \"display.h\"|protocol/display.h"
  "pass|app/sim/view/p.cpp|#include \"app/files.h\"|"
  "pass|app/view/v.cpp|#include \"app/sim/session.h\"|"
  "fail|sim/s.cpp|#include \"app/sim/session.h\"|"
  "pass|gateway/g.cpp|#include \"sim/bus.h\"|"
  "fail|sim/s.cpp|#include \"gateway/queue.h\"|"
  "pass|andon/a.h|#include \"protocol/packet.h\"|"
  "fail|protocol/p.h|#include \"window/control.h\"|"
  "pass|protocol/link_output.h|#include \"window/comm_controls.h\"|"
  "fail|window/w.h|#include \"protocol/packet.h\"|"
  "fail|window/w.h|#include \"tests/support/fake.h\"|"
  "fail|links/l.cpp|#include \"bench/timing.h\"|"
  "fail|links/l.cpp|#include <app/files.h>|"
  "fail|links/l.cpp|  #  include \"console/script.h\"|"
  "pass|app/a.cpp|#include <QtCore/QString>|"
  "pass|tests/t.cpp|#include \"app/main_window.h\"|"
  "pass|fuzz/f.cpp|#include \"tests/support/harness.h\"|"
  "fail|tools/t.h||"
)

failures=0
for row in "${cases[@]}"; do
  IFS='|' read -r expected file include target <<<"$row"
  repo="$work/repo"
  rm -rf "$repo"
  mkdir -p "$repo/scripts" "$repo/$(dirname "$file")"
  cp "$script" "$repo/scripts/"
  printf '%s\n' "$include" >"$repo/$file"
  if [ -n "$target" ]; then
    mkdir -p "$repo/$(dirname "$target")"
    : >"$repo/$target"
  fi
  git -C "$repo" init -q
  git -C "$repo" add -A
  if "$repo/scripts/check-layers" >/dev/null 2>&1; then got=pass; else got=fail; fi
  if [ "$got" != "$expected" ]; then
    echo "check_layers_test: $file with '$include': $got, expected $expected" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "check_layers_test: ${#cases[@]} cases"
exit $((failures > 0))
