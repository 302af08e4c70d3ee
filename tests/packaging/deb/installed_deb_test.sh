#!/usr/bin/env bash
# installed_deb_test.sh BUILD_DIR CPACK: makes the .deb of BUILD_DIR, unpacks it into a
# scratch root and runs the installed programs from there, without a display.
set -euo pipefail
build=$1
cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/px40318_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
# The libraries of the configurator's modules are found in the modules.
for lib in libqt6core6 libqt6widgets6 qt6-qpa-plugins libqt6serialbus6 libqt6printsupport6 libquazip1-qt6-1; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
root=$work/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin

# Both programs answer --version with no display at all.
for program in px40318 px40318-configurator; do
  version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/$program" --version) || fail "$program --version"
  [ "$version" = "PX40318 2.505" ] || fail "$program --version said '$version'"
done

# An installed example compiles into a folder of the user's.
out=$work/out
"$bin/px40318" compile "$root/usr/share/px40318/examples/PumpStation_Jumper" --out "$out" >"$work/compile.txt" \
  || fail "compile of the installed example"
grep -qx "$out/bank.bin (4454 bytes)" "$work/compile.txt" || fail "compile listed: $(cat "$work/compile.txt")"
[ "$(stat -c %s "$out/bank2.bin")" = 73728 ] || fail "bank2.bin has the wrong size"

# What the desktop and the shell find.
for file in share/man/man1/px40318.1.gz share/man/man1/px40318-configurator.1.gz \
    share/bash-completion/completions/px40318 share/applications/example.orvane.px40318_configurator.desktop \
    share/metainfo/example.orvane.px40318_configurator.metainfo.xml share/icons/hicolor/scalable/apps/px40318-configurator.svg \
    share/icons/hicolor/48x48/apps/px40318-configurator.png share/doc/px40318/copyright share/doc/px40318/README.md \
    lib/px40318/libpx_links.so lib/px40318/libpx_print.so lib/px40318/libpx_zip.so; do
  [ -s "$root/usr/$file" ] || fail "missing $file"
done
zcat "$root/usr/share/man/man1/px40318.1.gz" | grep -q '^\.SS compile' || fail "manual page without compile"

# Installed, the configurator keeps its home in the user's data folder, made on first start,
# and writes nothing beside its executable.
home=$work/home
mkdir -p "$home"
before=$(ls -A "$bin")
HOME=$home XDG_DATA_HOME='' XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen "$bin/px40318-configurator" >"$work/gui.log" 2>&1 &
gui=$!
data=$home/.local/share/px40318-configurator
for _ in $(seq 100); do
  [ -d "$data/LANGUAGE" ] && [ -d "$data/MASTER" ] && [ -d "$data/PROJECTS" ] && break
  kill -0 "$gui" 2>/dev/null || { cat "$work/gui.log"; fail "the configurator ended at start"; }
  sleep 0.2
done
kill "$gui" 2>/dev/null || true
wait "$gui" 2>/dev/null || true
for folder in MASTER PROJECTS LANGUAGE; do
  [ -d "$data/$folder" ] || { cat "$work/gui.log"; fail "no $folder in $data"; }
done
[ "$(ls -A "$bin")" = "$before" ] || fail "the configurator wrote beside its executable: $(ls -A "$bin")"

# The installed configurator finds its modules in ../lib/px40318: Manage Configurations
# opens with the zip module (bench/startup's library clicks its button and lists what the
# program mapped once the window has painted).
shim=$build/bin/libquit_when_shown.so
if [ -f "$shim" ]; then
  HOME=$home XDG_DATA_HOME='' XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen LD_PRELOAD=$shim \
    ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 PX_STARTUP_CLICKS=manageButton PX_STARTUP_MAPS=$work/maps.txt \
    timeout 120 "$bin/px40318-configurator" >"$work/gui.log" 2>&1 || { cat "$work/gui.log"; fail "Manage Configurations"; }
  grep -qx "$root/usr/lib/px40318/libpx_zip.so" "$work/maps.txt" || fail "no zip module mapped: $(cat "$work/maps.txt")"
fi
echo "installed from $(basename "$deb"); Depends: $depends"
