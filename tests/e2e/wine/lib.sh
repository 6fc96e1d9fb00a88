# Shared helpers of the Wine harness: quiet headless prefixes, copies of them, Windows paths.
# Sourced by run and scenario; every wine call goes through tvu_wine, which has a timeout.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Wine's 32-bit loader needs a kernel that runs 32-bit programs, which some hosts lack: there only
# 64-bit prefixes work, through the 64-bit loader, and the x86 exe cannot be run at all.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  TVU_WINE32=1
  TVU_WINE=wine
else
  TVU_WINE32=0
  TVU_WINE=/usr/lib/wine/wine64
  export WINELOADER=$TVU_WINE
fi

# tvu_wine SECONDS ARGS...: wine with a timeout, in the current WINEPREFIX.
tvu_wine() {
  local limit=$1
  shift
  timeout --kill-after=5 "$limit" "$TVU_WINE" "$@"
}

# tvu_exe_name ARCH: what the build of that architecture is called.
tvu_exe_name() { [ "$1" = x64 ] && echo tvuninst64.exe || echo tvuninst.exe; }

# The architecture's prefix kind: the x64 exe runs in a 64-bit prefix, the x86 exe in a 32-bit
# one (in a 64-bit prefix a 32-bit program finds no system32\drivers of its own).
tvu_reg_view() { [ "$1" = x86 ] && echo /reg:32 || echo /reg:64; }

# tvu_make_template ARCH DIR: a fresh, quiet, headless prefix, made once and reused while Wine's
# version and the fonts stay the same (a prefix keeps a cache of the fonts it found when made).
tvu_make_template() {
  local arch=$1 dir=$2 stamp
  stamp="$("$TVU_WINE" --version 2>/dev/null) $arch $(find /usr/share/wine/fonts /usr/share/fonts \
    -type f 2>/dev/null | LC_ALL=C sort | md5sum | cut -c1-12)"
  if [ -f "$dir/.tvu-ready" ] && [ "$(cat "$dir/.tvu-ready")" = "$stamp" ]; then return 0; fi
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  (
    export WINEPREFIX=$dir
    if [ "$arch" = x86 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    tvu_wine 180 wineboot -i >/dev/null 2>&1 || exit 1
    # Wine's own fonts (Tahoma, and Marlett, which draws the caption buttons) where Windows keeps
    # its fonts: started through its loader as here, Debian's Wine does not find them in its data
    # folder, and the caption buttons would show letters.
    if [ -d /usr/share/wine/fonts ]; then
      mkdir -p "$dir/drive_c/windows/Fonts"
      cp /usr/share/wine/fonts/* "$dir/drive_c/windows/Fonts/"
    fi
    tvu_wine 60 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f >/dev/null 2>&1 || exit 1
    tvu_wine 60 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || exit 1
    timeout 60 wineserver -w
  ) || return 1
  echo "$stamp" >"$dir/.tvu-ready"
}

# tvu_copy_prefix TEMPLATE DEST: a private copy for one run. Everything is copied (cp -a) except
# Wine's own DLL folders, whose files no run writes: those are hard-linked, which turns a copy of
# more than a gigabyte into a fraction of a second. The registry files are always real copies, as
# wineserver rewrites them in place.
tvu_copy_prefix() {
  local src=$1 dst=$2 e name
  rm -rf "$dst"
  mkdir -p "$dst/drive_c/windows"
  for e in "$src"/* "$src"/.[!.]*; do
    [ -e "$e" ] || [ -L "$e" ] || continue
    name=${e##*/}
    [ "$name" = drive_c ] || [ "$name" = .tvu-ready ] || cp -a "$e" "$dst/"
  done
  for e in "$src"/drive_c/*; do
    name=${e##*/}
    [ "$name" = windows ] || cp -a "$e" "$dst/drive_c/"
  done
  for e in "$src"/drive_c/windows/*; do
    name=${e##*/}
    case "$name" in
      system32 | syswow64) cp -al "$e" "$dst/drive_c/windows/" ;;
      *) cp -a "$e" "$dst/drive_c/windows/" ;;
    esac
  done
}

# tvu_resolve BASE 'WIN\REL\PATH': the Unix path below BASE, each part matched without regard to
# case as Windows does; parts that do not exist keep the spelling given.
tvu_resolve() {
  local cur=$1 rel=${2//\\//} part match
  local -a parts
  IFS=/ read -ra parts <<<"$rel"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    match=""
    if [ -d "$cur" ]; then
      match=$(find "$cur" -mindepth 1 -maxdepth 1 -iname "$part" -printf '%f\n' 2>/dev/null | head -n 1)
    fi
    cur="$cur/${match:-$part}"
  done
  printf '%s\n' "$cur"
}

tvu_lower() { tr '[:upper:]' '[:lower:]'; }
