#!/usr/bin/env bash
# Installs BUILD_DIR into a temporary prefix and checks the installed tree: exactly the expected
# files, and installed programs that report VERSION.
#   install_tree_test.sh BUILD_DIR VERSION WITH_WINDOW(ON|OFF)
set -euo pipefail
build=$1 version=$2 window=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="bin/harnlode-check
share/bash-completion/completions/harnlode-check
share/doc/harnlode-check/changelog.gz
share/doc/harnlode-check/copyright
share/man/man1/harnlode-check.1.gz"
if [ "$window" = ON ]; then
  expected+="
bin/harnlode
share/applications/com.quillmarsh.Harnlode.desktop
share/doc/harnlode/changelog.gz
share/doc/harnlode/copyright
share/icons/hicolor/scalable/apps/harnlode.svg
share/man/man1/harnlode.1.gz
share/metainfo/com.quillmarsh.Harnlode.metainfo.xml"
  for size in 16 22 24 32 48 64 128 256; do
    expected+="
share/icons/hicolor/${size}x$size/apps/harnlode.png"
  done
fi
diff -u <(sort <<<"$expected") <(cd "$prefix" && find . -type f -printf '%P\n' | sort)
[ "$("$prefix/bin/harnlode-check" --version)" = "harnlode-check $version" ]
if [ "$window" = ON ]; then
  # The window program answers these on the terminal, without a display to connect to.
  [ "$(DISPLAY='' QT_QPA_PLATFORM=xcb "$prefix/bin/harnlode" --version)" = "harnlode $version" ]
  help=$(DISPLAY='' QT_QPA_PLATFORM=xcb "$prefix/bin/harnlode" --help)
  grep -q '^Usage: .*harnlode \[WINDOWS_FOLDER\]$' <<<"$help"
  # Docks on X11 match the running window to its entry by the class, which is the program's name.
  entry=$(cat "$prefix"/share/applications/*.desktop)
  [ "$(sed -n 's/^StartupWMClass=//p' <<<"$entry")" = "$(sed -n 's/^Exec=//p' <<<"$entry")" ]
fi
gzip -t "$prefix"/share/man/man1/*.gz
