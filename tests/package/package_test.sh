#!/usr/bin/env bash
# Packs the given arm64 executable with scripts/package and checks what a
# root manager and a phone will see: the zip's entries and modes, module.prop,
# the install script, and an executable that is a static aarch64 ELF within
# the size budget.
#   package_test.sh KORVANE
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
binary=$1
readonly kSizeBudget=$((1536 * 1024))

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_eq() {  # what, expected, actual
    [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zip_path=$("$repo/scripts/package" --binary "$binary" --out "$work/dist")

# Names follow the version the executable reports.
read -r _ version < <(qemu-aarch64-static "$binary" --version)
base=korvane-$version-arm64
expect_eq "zip name" "$work/dist/$base.zip" "$zip_path"
expect_eq "dist content" "$base $base.sha256 $base.zip" "$(cd "$work/dist" && echo *)"
(cd "$work/dist" && sha256sum --quiet -c "$base.sha256") || fail "checksums do not verify"

# --- zip layout -----------------------------------------------------------
expect_eq "zip entries" "META-INF/com/google/android/update-binary
META-INF/com/google/android/updater-script
action.sh
customize.sh
module.prop
service.sh
system/bin/korvane
webroot/app.js
webroot/bridge.js
webroot/commands.js
webroot/index.html
webroot/style.css
webroot/views.js" "$(unzip -Z1 "$zip_path" | LC_ALL=C sort)"
expect_eq "mode of system/bin/korvane in the zip" "-rwxr-xr-x" \
    "$(unzip -Z "$zip_path" system/bin/korvane | awk '{print $1}')"
mkdir "$work/module"
unzip -q "$zip_path" -d "$work/module"
m=$work/module
cmp -s "$binary" "$m/system/bin/korvane" || fail "system/bin/korvane differs from the built executable"
cmp -s "$binary" "$work/dist/$base" || fail "the bare executable differs from the built executable"

# --- module.prop: every key once, the version the binary reports ------------
prop() { sed -n "s/^$1=//p" "$m/module.prop"; }
expect_eq "module.prop keys" "author description id name version versionCode" \
    "$(cut -d= -f1 "$m/module.prop" | LC_ALL=C sort | xargs)"
expect_eq "id" korvane "$(prop id)"
expect_eq "name" korvane "$(prop name)"
expect_eq "version" "$version" "$(prop version)"
IFS=. read -r major minor patch <<<"$version"
expect_eq "versionCode" $((major * 10000 + minor * 100 + patch)) "$(prop versionCode)"
[[ -n $(prop author) && -n $(prop description) ]] || fail "author or description is empty"

# --- install scripts ---------------------------------------------------------
grep -qx 'set_perm "$MODPATH/system/bin/korvane" 0 0 0755' "$m/customize.sh" ||
    fail "customize.sh does not set mode 0755 on system/bin/korvane"
grep -qx 'set_perm "$MODPATH/service.sh" 0 0 0755' "$m/customize.sh" ||
    fail "customize.sh does not set mode 0755 on service.sh"
grep -qx 'set_perm "$MODPATH/action.sh" 0 0 0755' "$m/customize.sh" ||
    fail "customize.sh does not set mode 0755 on action.sh"
for f in action.sh webroot/index.html webroot/app.js; do
    cmp -s "$repo/packaging/module/$f" "$m/$f" || fail "$f differs from packaging/module/$f"
done
sh -n "$m/action.sh" || fail "action.sh is not valid shell"
cmp -s "$repo/packaging/module/service.sh" "$m/service.sh" || fail "service.sh differs from packaging/module/service.sh"
sh -n "$m/service.sh" || fail "service.sh is not valid shell"
expect_eq "updater-script" "#MAGISK" "$(cat "$m/META-INF/com/google/android/updater-script")"
[[ -x $m/META-INF/com/google/android/update-binary ]] || fail "update-binary is not executable"

# --- the executable: static 64-bit little-endian aarch64 ELF -----------------
exe=$m/system/bin/korvane
u8() { od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j "$2" -N 2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '; }
u64() { od -An -tu8 -j "$2" -N 8 "$1" | tr -d ' '; }
expect_eq "ELF magic" "7f454c46" "$(od -An -tx1 -N 4 "$exe" | tr -d ' ')"
expect_eq "ELF class (2: 64-bit)" 2 "$(u8 "$exe" 4)"
expect_eq "ELF data (1: little-endian)" 1 "$(u8 "$exe" 5)"
expect_eq "e_machine (183: AArch64)" 183 "$(u16 "$exe" 18)"
phoff=$(u64 "$exe" 32)
phentsize=$(u16 "$exe" 54)
phnum=$(u16 "$exe" 56)
((phnum > 0)) || fail "no program headers"
load_segments=0
for ((i = 0; i < phnum; i++)); do
    case $(u32 "$exe" $((phoff + i * phentsize))) in
    1) load_segments=$((load_segments + 1)) ;;  # PT_LOAD
    3) fail "PT_INTERP present: the executable needs a dynamic loader" ;;
    esac
done
((load_segments > 0)) || fail "no loadable segment"
size=$(stat -c %s "$exe")
((size <= kSizeBudget)) || fail "executable is $size bytes, over the budget of $kSizeBudget"
echo "korvane $version arm64: $size bytes"

((failures == 0))
